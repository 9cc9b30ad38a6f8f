#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <vector>

#include "ShowKeys.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TElidedLabel;
class TPicturePane;

// One entry of the presenter's strip of neighbouring entries.
struct TNeighbourEntry {
    int Index = 0;  // 0-based position in the image list
    QPixmap Thumbnail;
    QString Caption;
    bool Shown = false;  // the entry the audience sees
};

// The presenter window, on the operator's monitor during a show: what the audience sees now, the
// picture the show steps to next, where the show is and what the operator can do to it. It only shows
// what it is given and hands every command to the handlers below; the main window keeps it up to date.
// It takes the keyboard focus when it opens, so that a presentation remote drives the show at once.
class TFormPresenter : public QWidget {
    Q_OBJECT
public:
    explicit TFormPresenter(QWidget* parent = nullptr);

    TPicturePane* PaneAudience = nullptr;
    TPicturePane* PaneNext = nullptr;
    QLabel* LabelPosition = nullptr;
    TElidedLabel* LabelFileName = nullptr;
    QLabel* LabelDetails = nullptr;  // the picture's size and date taken
    QLabel* LabelCountdown = nullptr;
    QPushButton* ButtonPrevious = nullptr;
    QPushButton* ButtonPause = nullptr;
    QPushButton* ButtonNext = nullptr;
    QPushButton* ButtonBlank = nullptr;
    QPushButton* ButtonStop = nullptr;
    QListWidget* ListNeighbours = nullptr;

    // Set by the main window: a key's or button's action on the show, Escape and "Stop", a click on an
    // entry of the strip, and this window being closed.
    std::function<void(TShowKey)> ShowKey;
    std::function<void()> StopShow;
    std::function<void(int index)> JumpTo;
    std::function<void(TFormPresenter&)> WindowClosed;

    // The audience monitor's picture surface now: its fitted copy, where it lies on a screen of `screen`
    // device pixels, and whether it is blank. Mirrored at the pane's size, again when the pane resizes.
    void ShowAudience(const QImage& fitted, const QRect& fittedAt, QSize screen, bool blank);
    const QImage& Mirror() const;
    // The picture the show steps to next (a thumbnail at first, a better picture when there is one);
    // null for none.
    void ShowNext(const QImage& picture);
    void ShowTexts(const QString& position, const QString& fileName, const QString& details);
    // The countdown line; empty without automatic advance.
    void ShowCountdown(const QString& text);
    // The buttons' states: the advance held (the pause button resumes) and the audience monitor blank.
    void ShowStates(bool canHold, bool held, bool blank);
    void ShowNeighbours(const std::vector<TNeighbourEntry>& entries);

    void FormKeyDown(int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void Command(TShowKey key);
    void MirrorAgain();
    // Marks the strip's entry the audience sees (bold, tinted), or unmarks it.
    void MarkNeighbour(QListWidgetItem* item, bool shown);

    QImage AudienceFitted;
    QRect AudienceAt;
    QSize AudienceScreen;
    bool AudienceBlank = false;
};
