#include "BrowserPanel.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFileOpenEvent>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <utility>

#include "Boundary.h"
#include "DialogResults.h"
#include "FileFilter.h"
#include "FolderMemory.h"

namespace brackwell {

TBrowserPanel* TBrowserPanel::Open(const TOpenDialogParams& params) {
    auto* parent = static_cast<QWidget*>(params.ParentWindow);
    auto panel = std::make_unique<TBrowserPanel>(parent, params);
    QLayout* layout = parent->layout();
    if (layout == nullptr) {
        layout = new QVBoxLayout(parent);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(panel.get());
    panel->show();
    TBrowserPanel* opened = panel.release();
    opened->NotifyHost(BRACKWELL_WINDOW_OPENED, opened);
    return opened;
}

TBrowserPanel::TBrowserPanel(QWidget* parent, const TOpenDialogParams& params)
    : QWidget(parent),
      Callback(params.Callback),
      DialogId(params.DialogId),
      ActionCaption(params.ActionCaption != nullptr ? QString::fromUtf16(params.ActionCaption)
                                                    : QStringLiteral("Add files from")),
      FilePatterns(ParseFileFilter(params.Filter).Patterns),
      FolderModel(new QFileSystemModel(this)),
      TreeViewFolders(new QTreeView(this)),
      LineEditFolder(new QLineEdit(this)),
      ListViewFiles(new QListView(this)),
      ButtonAddFiles(new QPushButton(this)) {
    setObjectName(QStringLiteral("BrowserPanel"));

    // Both models keep folders and files in name order (natural, ignoring case) only once asked to.
    FolderModel->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    FolderModel->setRootPath(QString());
    FolderModel->sort(0, Qt::AscendingOrder);
    TreeViewFolders->setObjectName(QStringLiteral("TreeViewFolders"));
    TreeViewFolders->setModel(FolderModel);
    TreeViewFolders->setHeaderHidden(true);
    TreeViewFolders->setUniformRowHeights(true);
    for (int column = 1; column < FolderModel->columnCount(); ++column) {
        TreeViewFolders->hideColumn(column);
    }

    ListViewFiles->setObjectName(QStringLiteral("ListViewFiles"));
    ListViewFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListViewFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewFiles->setUniformItemSizes(true);
    // Files may also be dragged out, as local-file URLs, onto a window that takes dropped files.
    ListViewFiles->setDragDropMode(QAbstractItemView::DragOnly);
    ListViewFiles->installEventFilter(this);

    LineEditFolder->setObjectName(QStringLiteral("LineEditFolder"));
    LineEditFolder->setReadOnly(true);
    ButtonAddFiles->setObjectName(QStringLiteral("ButtonAddFiles"));
    ButtonAddFiles->setAutoDefault(false);

    auto* filesPane = new QWidget;
    auto* filesLayout = new QVBoxLayout(filesPane);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->addWidget(LineEditFolder);
    filesLayout->addWidget(ListViewFiles, 1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(TreeViewFolders);
    splitter->addWidget(filesPane);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter, 1);
    layout->addWidget(ButtonAddFiles);

    connect(TreeViewFolders->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                CatchAll("opening a folder", [&] { TreeViewFoldersCurrentChanged(current); });
            });
    connect(ListViewFiles, &QAbstractItemView::doubleClicked, this, [this] { AddChosenFiles(); });
    connect(ButtonAddFiles, &QPushButton::clicked, this, [this] { AddChosenFiles(); });

    ShowFolder(StartFolder(DialogId));
    if (Folder.isEmpty()) {
        ShowFolder(QDir::homePath());
    }
    UpdateActions();
    FollowStartFolder();
}

TBrowserPanel::~TBrowserPanel() {
    if (!Closed) {
        CatchAll("remembering the folder", [this] { RememberFolder(DialogId, Folder); });
    }
    // The views go before their models, and without this panel watching their events, so that neither
    // their teardown nor the models' reaches this half-destroyed panel.
    TreeViewFolders->viewport()->removeEventFilter(this);
    ListViewFiles->removeEventFilter(this);
    delete ListViewFiles;
    delete TreeViewFolders;
    ReleaseResults(Results);
}

void TBrowserPanel::ShowFolder(const QString& folder) {
    const QModelIndex index = FolderModel->index(QDir::cleanPath(folder));
    if (!index.isValid()) {
        return;
    }
    // The tree's current folder is the browser's: moving it calls TreeViewFoldersCurrentChanged.
    TreeViewFolders->setCurrentIndex(index);
    TreeViewFolders->scrollTo(index);
}

void TBrowserPanel::ShowAskedFolder(const QString& folder) {
    if (Closed || !QFileInfo(folder).isDir()) {
        return;
    }
    ShowFolder(folder);
    // Kept in view while the folders above it load, as the start folder is.
    StopFollowingStartFolder();
    FollowStartFolder();
}

void TBrowserPanel::AddChosenFiles() noexcept {
    CatchAll("adding the chosen files", [this] {
        if (Closed || Reporting) {
            return;
        }
        const QStringList files = SelectedFiles();
        if (files.isEmpty()) {
            return;
        }
        StoreResults(Results, files);
        const QPointer<TBrowserPanel> alive(this);
        Reporting = true;
        const auto reported = qScopeGuard([&] {
            if (!alive.isNull()) {
                Reporting = false;
            }
        });
        NotifyHost(BRACKWELL_FILES_CHOSEN, &Results);
        // The host may run events while it adds the files, and so close this browser meanwhile.
        if (!alive.isNull()) {
            NotifyHost(BRACKWELL_RESULTS_DONE, &Results);
        }
    });
}

bool TBrowserPanel::event(QEvent* event) {
    if (static_cast<int>(event->type()) == BRACKWELL_RELAYOUT_EVENT) {
        CatchAll("laying out the browser", [this] { Relayout(); });
        return true;
    }
    if (event->type() == QEvent::FileOpen) {
        const QString folder = static_cast<QFileOpenEvent*>(event)->file();
        CatchAll("showing a folder", [&] { ShowAskedFolder(folder); });
        return true;
    }
    return QWidget::event(event);
}

void TBrowserPanel::closeEvent(QCloseEvent* event) {
    event->accept();
    if (Closed) {
        return;
    }
    // From here on the host is not called again; the callback goes last, because the host closes its
    // main window in answer.
    Closed = true;
    CatchAll("closing the browser", [this] {
        hide();
        deleteLater();
    });
    CatchAll("remembering the folder", [this] { RememberFolder(DialogId, Folder); });
    const TBrackwellCallback callback = std::exchange(Callback, nullptr);
    CatchAll("telling the host the browser closed", [callback] {
        if (callback != nullptr) {
            callback(nullptr, BRACKWELL_CLOSED, nullptr, nullptr);
        }
    });
}

bool TBrowserPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TreeViewFolders->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel)) {
        StopFollowingStartFolder();
    }
    if (watched == ListViewFiles && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            AddChosenFiles();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TBrowserPanel::TreeViewFoldersCurrentChanged(const QModelIndex& current) {
    if (!current.isValid()) {
        return;
    }
    if (!Folder.isEmpty()) {
        StopFollowingStartFolder();
    }
    Folder = FolderModel->filePath(current);
    ListFolderFiles();
    LineEditFolder->setText(QDir::toNativeSeparators(Folder));
    LineEditFolder->setToolTip(LineEditFolder->text());
    UpdateActions();
}

void TBrowserPanel::ListFolderFiles() {
    // A model of the folder's own. A file model shows no folders: had it listed another folder before,
    // a listing of a folder above this one arriving late would hide this folder's row, and the list
    // would fall back to the top of the file system.
    auto* model = new QFileSystemModel(this);
    // Picture files often carry capital extensions (IMG_1234.JPG): without QDir::CaseSensitive the
    // model matches the patterns ignoring case. Files that do not match are hidden, not greyed.
    model->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    model->setNameFilterDisables(false);
    model->setNameFilters(FilePatterns);
    model->sort(0, Qt::AscendingOrder);
    const QModelIndex root = model->setRootPath(Folder);
    QItemSelectionModel* oldSelection = ListViewFiles->selectionModel();
    ListViewFiles->setModel(model);
    ListViewFiles->setRootIndex(root);
    connect(ListViewFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { CatchAll("updating the browser", [this] { UpdateActions(); }); });
    // Later: the old model may be the sender of what runs now.
    if (oldSelection != nullptr) {
        oldSelection->deleteLater();
    }
    if (FileModel != nullptr) {
        FileModel->deleteLater();
    }
    FileModel = model;
}

void TBrowserPanel::FollowStartFolder() {
    // The tree learns of the folders above the start folder one by one and sorts them later, each
    // time moving the start folder's row. Until the operator takes the tree in hand (a click, the wheel,
    // the scroll bar, another folder), it is brought back into view.
    const auto centre = [this] {
        CatchAll("showing the start folder", [this] {
            TreeViewFolders->scrollTo(TreeViewFolders->currentIndex(), QAbstractItemView::PositionAtCenter);
        });
    };
    FollowingStartFolder = {
        connect(FolderModel, &QFileSystemModel::directoryLoaded, this, centre),
        connect(FolderModel, &QAbstractItemModel::layoutChanged, this, centre),
        connect(TreeViewFolders->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
                [this] { StopFollowingStartFolder(); }),
    };
    TreeViewFolders->viewport()->installEventFilter(this);
}

void TBrowserPanel::StopFollowingStartFolder() {
    for (const QMetaObject::Connection& connection : std::as_const(FollowingStartFolder)) {
        disconnect(connection);
    }
    FollowingStartFolder.clear();
}

void TBrowserPanel::UpdateActions() {
    const QString name = QFileInfo(Folder).fileName();
    ButtonAddFiles->setText(ActionCaption + u' ' + QDir::toNativeSeparators(name.isEmpty() ? Folder : name));
    ButtonAddFiles->setToolTip(ActionCaption + u' ' + QDir::toNativeSeparators(Folder));
    const QItemSelectionModel* selection = ListViewFiles->selectionModel();
    ButtonAddFiles->setEnabled(!Closed && selection != nullptr && selection->hasSelection());
}

QStringList TBrowserPanel::SelectedFiles() const {
    if (FileModel == nullptr) {
        return {};
    }
    QModelIndexList indexes = ListViewFiles->selectionModel()->selectedIndexes();
    const QModelIndex root = ListViewFiles->rootIndex();
    indexes.removeIf([&](const QModelIndex& index) { return index.column() != 0 || index.parent() != root; });
    // The host receives the files as the list shows them, whatever order they were picked in.
    std::sort(indexes.begin(), indexes.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList files;
    files.reserve(indexes.size());
    for (const QModelIndex& index : indexes) {
        files.append(FileModel->filePath(index));
    }
    return files;
}

void TBrowserPanel::Relayout() {
    updateGeometry();
    QWidget* parent = parentWidget();
    if (parent == nullptr) {
        return;
    }
    QLayout* layout = parent->layout();
    if (layout != nullptr && layout->indexOf(this) >= 0) {
        layout->invalidate();
        layout->activate();
    } else {
        setGeometry(parent->contentsRect());
    }
}

void TBrowserPanel::NotifyHost(uint32_t code, void* data) {
    if (Callback != nullptr) {
        Callback(nullptr, code, data, nullptr);
    }
}

}  // namespace brackwell
