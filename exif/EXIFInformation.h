#pragma once

#include <QDialog>
#include <QString>

class QAction;
class QGroupBox;
class QMenu;
class QPushButton;
class QTreeWidget;

// The window that lists a picture's EXIF metadata, grouped by the directories of its EXIF block. It is
// created once at start-up and reused; the list is rebuilt every time it is shown. It never changes
// the file; its only command copies one value to the clipboard.
class TFormEXIFInformation : public QDialog {
    Q_OBJECT
public:
    explicit TFormEXIFInformation(QWidget* parent = nullptr);

    // Shows `fileName`'s metadata modally and returns when the window closes. A file that cannot be
    // read is reported in a message box; the window still opens, with an empty list.
    void ShowFile(const QString& fileName);

    // Fills the list for FileName without showing the window (what showing it does first).
    void FormShow();

    QString FileName;

    QGroupBox* GroupBox1 = nullptr;
    QTreeWidget* ListViewEXIFTags = nullptr;
    QMenu* PopupMenuEXIFInformation = nullptr;
    QAction* CopyValuetoClipboard1 = nullptr;
    QPushButton* ButtonClose = nullptr;

public slots:
    void CopyValuetoClipboard1Click();
    void ButtonCloseClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

extern TFormEXIFInformation* FormEXIFInformation;
