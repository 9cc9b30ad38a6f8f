#pragma once

#include <QList>
#include <QMetaObject>
#include <QStringList>
#include <QWidget>

#include "BrackwellApi.h"

class QFileSystemModel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace brackwell {

// The embedded browser: a folder tree above the current folder's path and the list of its files that
// match the host's filter, and the action that hands the chosen files to the host through its
// callback. It lives as a child of the host's panel until the host asks it to close.
class TBrowserPanel final : public QWidget {
    Q_OBJECT

public:
    // Creates the browser in params.ParentWindow, fills the parent with it and tells the host its
    // window (0x806). `params` needs ParentWindow and Callback; its strings are copied.
    static TBrowserPanel* Open(const TOpenDialogParams& params);

    TBrowserPanel(QWidget* parent, const TOpenDialogParams& params);
    ~TBrowserPanel() override;

    // Reports the selected files, in list order, with 0x802 and then 0x804.
    void AddChosenFiles() noexcept;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowFolder(const QString& folder);
    // The host's request to show a folder (a QFileOpenEvent).
    void ShowAskedFolder(const QString& folder);
    void TreeViewFoldersCurrentChanged(const QModelIndex& current);
    void ListFolderFiles();
    void FollowStartFolder();
    void StopFollowingStartFolder();
    void UpdateActions();
    QStringList SelectedFiles() const;
    void Relayout();
    void NotifyHost(uint32_t code, void* data);

    TBrackwellCallback Callback;
    TBrackwellGuid DialogId;
    QString ActionCaption;
    QString Folder;
    QStringList FilePatterns;
    QFileSystemModel* FolderModel;
    QFileSystemModel* FileModel = nullptr;  // the current folder's files, a model for each folder
    QTreeView* TreeViewFolders;
    QLineEdit* LineEditFolder;
    QListView* ListViewFiles;
    QPushButton* ButtonAddFiles;
    // Keep the start folder in view while the folders above it load and get sorted in the background.
    QList<QMetaObject::Connection> FollowingStartFolder;
    // The record handed to the host with 0x802/0x804; the host releases it, and so does the destructor.
    TOpenDialogResults Results{};
    // Set while the host handles a report: a second report then would free the names it is reading.
    bool Reporting = false;
    bool Closed = false;
};

}  // namespace brackwell
