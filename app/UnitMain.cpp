#include "UnitMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "AddingLoops.h"
#include "BrowserLibrary.h"
#include "EXIFInformation.h"
#include "ErrorBoundary.h"
#include "Exceptions.h"
#include "FileUtils.h"
#include "FormAbout.h"
#include "FreeImageLoader.h"
#include "ImageFilter.h"
#include "ImageListFile.h"
#include "IniFile.h"
#include "Lister.h"
#include "OpenInImageList.h"
#include "Preview.h"
#include "ProgressWindow.h"
#include "Question.h"
#include "RaiseWindow.h"
#include "SaveImageList.h"
#include "Settings.h"
#include "SpecialFolders.h"
#include "ThumbnailerThread.h"
#include "ThumbnailsProcessing.h"
#include "VersionUpdate.h"
#include "monitors/MonitorWatch.h"

TFormMain* FormMain = nullptr;

// The icons are compiled into this library, which the program links statically: register them.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

const QString SettingsSection = QStringLiteral("Settings");
const QString ViewModeKey = QStringLiteral("ListerViewModeThumbs");

constexpr int BrowserPanelWidth = 680;
constexpr int ToolButtonWidth = 23;
constexpr int Panel4Height = 26;
constexpr const char* IconIndexProperty = "IconIndex";

// The icon resources in the order of their indices in ImageListFilesButtons.
constexpr const char* ToolbarIconNames[] = {"01LIST",    "02THUMBS", "03CLEAR", "04ARROWUP", "05ARROWDOWN",
                                            "07PLAY",    "08STOP",   "09PRINT", "10LOCATE",  "11BACKWARD",
                                            "12FORWARD", "13SAVE",   "14LOAD"};

// An icon of the program's resources; raises when it is not there.
QIcon ResourceIcon(const char* name) {
    const QString path = QStringLiteral(":/icons/") + QLatin1String(name);
    if (!QFile::exists(path)) {
        throw EFileError(QStringLiteral("The icon resource %1 is missing.").arg(QLatin1String(name)));
    }
    return QIcon(path);
}
constexpr int SplashMilliseconds = 3000;

// The presentation settings in force: the settings dialog's, or the defaults before it exists.
TSettingsValues CurrentSettings() {
    return FormSettings != nullptr ? FormSettings->Values() : TSettingsValues();
}

double ScreenDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
}

QWidget* NewPanel(QWidget* parent, const char* name) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    return panel;
}

QGroupBox* NewGroupBox(QWidget* parent, const char* name, const QString& caption) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

// Lays `child` out to fill `parent`.
void Fill(QWidget* parent, QWidget* child, int margin = 0) {
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(child);
}

}  // namespace

TFormMain::TFormMain(TBrowserLibrary& browserLibrary)
    : Browser(browserLibrary),
      Images(*this),
      Pipeline(ShowList, &CurrentSettings, TShowDecoders::Standard(), ScreenDotsPerInch()),
      Show(Pipeline, ShowList, *this, SharedPreview, &CurrentSettings),
      Acquisition(
          Images, &ExifThumbnail,
          [this](const QString& file, QImage& bitmap) {
              return DatabaseThumbnail(file, bitmap, ThumbDatabase.get());
          },
          [this](std::unique_ptr<TThumbFileInfoData> request) {
              PostThumbRequest(ThumbnailThreadWindow, std::move(request));
          }) {
    CreateControls();
    FormCreate();
}

TFormMain::~TFormMain() {
    FormDestroy();
}

void TFormMain::CreateControls() {
    setObjectName(QStringLiteral("FormMain"));
    VersionUpdate = new TVersionUpdate(this);
    VersionUpdate->setObjectName(QStringLiteral("VersionUpdate"));
    FormAbout = new TFormAbout(this);
    FormAbout->setObjectName(QStringLiteral("FormAbout"));
    FormAbout->AssignProgramValues();
    setWindowTitle(QStringLiteral("Orvalis"));
    resize(1016, 861);

    auto* client = new QWidget(this);
    auto* columns = new QHBoxLayout(client);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    setCentralWidget(client);

    PanelBrackwellContainer = NewPanel(client, "PanelBrackwellContainer");
    PanelBrackwellContainer->setFixedWidth(BrowserPanelWidth);
    GroupBoxBrackwellContainer =
        NewGroupBox(PanelBrackwellContainer, "GroupBoxBrackwellContainer", QStringLiteral(" Browser: "));
    PanelBrackwell = NewPanel(GroupBoxBrackwellContainer, "PanelBrackwell");
    Fill(PanelBrackwellContainer, GroupBoxBrackwellContainer, 4);
    Fill(GroupBoxBrackwellContainer, PanelBrackwell, 4);

    PanelListerContainer = NewPanel(client, "PanelListerContainer");
    GroupBoxListerContainer =
        NewGroupBox(PanelListerContainer, "GroupBoxListerContainer", QStringLiteral(" Images: "));
    Fill(PanelListerContainer, GroupBoxListerContainer, 4);

    Panel4 = NewPanel(GroupBoxListerContainer, "Panel4");
    CreateToolbar();
    Lister = new TLister(Images.Model(), Images.Selection(), GroupBoxListerContainer);
    Lister->setObjectName(QStringLiteral("Lister"));
    auto* listerColumn = new QVBoxLayout(GroupBoxListerContainer);
    listerColumn->setContentsMargins(4, 4, 4, 4);
    listerColumn->addWidget(Panel4);
    listerColumn->addWidget(Lister, 1);

    columns->addWidget(PanelBrackwellContainer);
    columns->addWidget(PanelListerContainer, 1);

    // Captions in Tahoma 8 point bold, the browser, the toolbar and the list in its regular face.
    QFont caption(QStringLiteral("Tahoma"), 8);
    caption.setBold(true);
    QFont regular(QStringLiteral("Tahoma"), 8);
    regular.setBold(false);  // set, so that it is not taken from the captions around it
    for (QWidget* box : {GroupBoxBrackwellContainer, GroupBoxListerContainer}) {
        box->setFont(caption);
    }
    for (QWidget* part :
         {PanelBrackwell, static_cast<QWidget*>(ToolBarFileIcons), static_cast<QWidget*>(Lister)}) {
        part->setFont(regular);
    }
    Panel4->setMinimumHeight(Panel4Height);

    connect(Lister, &TLister::DeleteKeyPressed, this,
            [this] { ReportErrors(this, [&] { ListerKeyDown(); }); });
    connect(Lister, &TLister::DoubleClicked, this, [this] { ReportErrors(this, [&] { ListerDblClick(); }); });

    CreateMenus();
    CreateStatusBar();
    ConnectShow();

    TimerSplash = new QTimer(this);
    TimerSplash->setObjectName(QStringLiteral("TimerSplash"));
    TimerSplash->setSingleShot(true);
    TimerSplash->setInterval(SplashMilliseconds);
    connect(TimerSplash, &QTimer::timeout, this, [this] { ReportErrors(this, [&] { TimerSplashTimer(); }); });
}

void TFormMain::CreateToolbar() {
    ToolBarFileIcons = new QToolBar(Panel4);
    ToolBarFileIcons->setObjectName(QStringLiteral("ToolBarFileIcons"));
    ToolBarFileIcons->setIconSize(QSize(16, 16));
    Fill(Panel4, ToolBarFileIcons);

    // Each button reports a failing command in a message box and the program goes on. Its icon is the
    // one at `iconIndex` in ImageListFilesButtons, set when the icons are loaded.
    const auto addButton = [this](const char* name, const QString& hint, int iconIndex,
                                  void (TFormMain::*command)()) {
        auto* button = new QToolButton(ToolBarFileIcons);
        button->setObjectName(QLatin1String(name));
        button->setToolTip(hint);
        button->setProperty(IconIndexProperty, iconIndex);
        button->setAutoRaise(true);
        button->setFixedWidth(ToolButtonWidth);
        connect(button, &QToolButton::clicked, this,
                [this, command] { ReportErrors(this, [&] { (this->*command)(); }); });
        ToolBarFileIcons->addWidget(button);
        return button;
    };
    ToolButtonReport = addButton("ToolButtonReport", QStringLiteral("List view mode."), 0,
                                 &TFormMain::ToolButtonReportClick);
    ToolButtonThumbnails = addButton("ToolButtonThumbnails", QStringLiteral("Thumbnail view mode."), 1,
                                     &TFormMain::ToolButtonThumbnailsClick);
    ToolButtonReport->setCheckable(true);
    ToolButtonReport->setChecked(true);
    ToolButtonThumbnails->setCheckable(true);
    ToolBarFileIcons->addSeparator();
    ToolButtonListClear = addButton("ToolButtonListClear", QStringLiteral("Clear the image list."), 2,
                                    &TFormMain::ToolButtonListClearClick);
    ToolBarFileIcons->addSeparator();
    ToolButtonListMoveUp =
        addButton("ToolButtonListMoveUp", QStringLiteral("Move selected images up in the list."), 3,
                  &TFormMain::ToolButtonListMoveUpClick);
    ToolButtonListMoveDown =
        addButton("ToolButtonListMoveDown", QStringLiteral("Move selected images down in the list."), 4,
                  &TFormMain::ToolButtonListMoveDownClick);
    ToolBarFileIcons->addSeparator();
    ToolButtonPlaySlideshow = addButton("ToolButtonPlaySlideshow", QStringLiteral("Play slideshow"), 5,
                                        &TFormMain::ToolButtonPlaySlideshowClick);
    ToolButtonStopSlideshow = addButton("ToolButtonStopSlideshow", QStringLiteral("Stop slideshow"), 6,
                                        &TFormMain::ToolButtonStopSlideshowClick);
    ToolButtonSlideshowPrevious =
        addButton("ToolButtonSlideshowPrevious", QStringLiteral("Slideshow previous image"), 9,
                  &TFormMain::ToolButtonSlideshowPreviousClick);
    ToolButtonSlideshowNext = addButton("ToolButtonSlideshowNext", QStringLiteral("Slideshow next image"), 10,
                                        &TFormMain::ToolButtonSlideshowNextClick);
    // The steps have nothing to step until a slideshow has started.
    ToolButtonSlideshowPrevious->setEnabled(false);
    ToolButtonSlideshowNext->setEnabled(false);
    ToolButtonLocateCurrentImage = addButton("ToolButtonLocateCurrentImage", QString(), 8,
                                             &TFormMain::ToolButtonLocateCurrentImageClick);
    ToolBarFileIcons->addSeparator();
    ToolButtonLoadImageList =
        addButton("ToolButtonLoadImageList", QStringLiteral("Load image list from file..."), 12,
                  &TFormMain::ToolButtonLoadImageListClick);
    ToolButtonSaveImageList =
        addButton("ToolButtonSaveImageList", QStringLiteral("Save image list to file..."), 11,
                  &TFormMain::ToolButtonSaveImageListClick);
}

void TFormMain::CreateStatusBar() {
    statusBar()->setObjectName(QStringLiteral("StatusBarShow"));
    LabelShowStatus = new QLabel(Show.Status.Text(), statusBar());
    LabelShowStatus->setObjectName(QStringLiteral("LabelShowStatus"));
    statusBar()->addWidget(LabelShowStatus, 1);
    ButtonPresenterView = new QToolButton(statusBar());
    ButtonPresenterView->setObjectName(QStringLiteral("ButtonPresenterView"));
    ButtonPresenterView->setText(QStringLiteral("Presenter view"));
    ButtonPresenterView->setToolTip(QStringLiteral("Open the presenter view on this monitor."));
    ButtonPresenterView->setVisible(false);
    statusBar()->addPermanentWidget(ButtonPresenterView);
    connect(ButtonPresenterView, &QToolButton::clicked, this,
            [this] { SwallowErrors([&] { Presenter().Open(); }); });
    connect(&Show.Status, &TShowStatus::Changed, LabelShowStatus, [this] {
        LabelShowStatus->setText(Show.Status.Text());
        ButtonPresenterView->setVisible(Show.Status.PresenterOffered() && Presenter().CanOpen());
    });
}

void TFormMain::ConnectShow() {
    PresenterView = std::make_unique<TPresenterLink>(Show, Images, &CurrentSettings, this);
    PresenterView->StopShow = [this] { EndShow(); };
    // The count and the position of the entry shown follow the list (moves change entries in place).
    const QAbstractItemModel* model = &Images.Model();
    const auto listChanged = [this] { SwallowErrors([&] { Show.ListChanged(); }); };
    connect(model, &QAbstractItemModel::rowsInserted, this, listChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, listChanged);
    connect(model, &QAbstractItemModel::modelReset, this, listChanged);
    connect(model, &QAbstractItemModel::dataChanged, this, listChanged);
    // The audience window goes with its monitor; the signal comes while a monitor that goes away still
    // holds its windows.
    const auto* monitors = new TMonitorWatch(this);
    connect(monitors, &TMonitorWatch::MonitorsChanged, this, [this](const QList<TMonitorInfo>& monitors) {
        SwallowErrors([&] { Show.MonitorsChanged(monitors); });
    });
}

void TFormMain::CreateMenus() {
    // Each item is a boundary: main-menu commands are the window's own messages and end silently on a
    // failure; the list's popup menu reports like the list itself. Loading and saving a list report
    // even from the main menu: a list that was not saved must not look saved.
    enum class TOnError { Swallow, Report };
    const auto addItem = [this](QMenu* menu, const char* name, const QString& caption, TOnError onError,
                                std::function<void()> command) {
        QAction* item = menu->addAction(caption);
        item->setObjectName(QLatin1String(name));
        connect(item, &QAction::triggered, this, [this, onError, command] {
            if (onError == TOnError::Report) {
                ReportErrors(this, command);
            } else {
                SwallowErrors(command);
            }
        });
        return item;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    addItem(file, "LoadImageList1", QStringLiteral("Load Image List..."), TOnError::Report,
            [this] { ToolButtonLoadImageListClick(); });
    addItem(file, "SaveImageList1", QStringLiteral("Save Image List..."), TOnError::Report,
            [this] { ToolButtonSaveImageListClick(); });
    addItem(file, "Loadlastimagelist1", QStringLiteral("Load Last Image List"), TOnError::Swallow,
            [this] { Loadlastimagelist1Click(); });
    file->addSeparator();
    addItem(file, "Exit1", QStringLiteral("Exit"), TOnError::Swallow, [this] { Exit1Click(); });
    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    addItem(options, "Settings1", QStringLiteral("Settings..."), TOnError::Swallow,
            [this] { Settings1Click(); });
    options->addSeparator();
    addItem(options, "CloseBrackwell1", QStringLiteral("Close Brackwell"), TOnError::Swallow, [] {
        PostBrowserClose();
    })->setVisible(false);
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    addItem(help, "About1", QStringLiteral("About..."), TOnError::Swallow, [this] { About1Click(); });

    PopupMenuLister = new QMenu(this);
    PopupMenuLister->setObjectName(QStringLiteral("PopupMenuLister"));
    addItem(PopupMenuLister, "Show1", QStringLiteral("View Picture"), TOnError::Report,
            [this] { ListerDblClick(); });
    PopupMenuLister->addSeparator();
    addItem(PopupMenuLister, "ViewEXIFInformation1", QStringLiteral("View EXIF Information..."),
            TOnError::Report, [this] { ViewEXIFInformation1Click(); });
    PopupMenuLister->addSeparator();
    addItem(PopupMenuLister, "RandomizeImageList1", QStringLiteral("Randomize Image List"), TOnError::Report,
            [this] { RandomizeImageList1Click(); });
    Lister->SetPopupMenu(PopupMenuLister);
}

// Start-up and shutdown --------------------------------------------------------------------------------

void TFormMain::FormCreate() {
    // A failing step is reported and the steps after it still run, so that the window always comes up
    // with whatever could be prepared.
    const auto step = [this](auto&& body) { ReportErrors(this, body); };
    step([&] { InitGenericDecoder(); });
    step([&] {
        const QString settingsFile = SettingsFilePath();
        if (!FileExists(settingsFile)) {
            CreateEmptyUnicodeFile(settingsFile);
        }
    });
    step([&] { TimerSplash->start(); });
    step([&] { ShowSplash(); });
    step([&] { InitSystemImageList(); });
    step([&] { LoadToolbarIcons(); });
    step([&] { ConvertHints(this); });
    step([&] { setAcceptDrops(true); });
    step([&] { BuildPlaceholderBitmap(); });
    step([&] { LoadViewMode(); });
    step([&] { StartThumbnailThreadControl(); });
    Images.ListGeneration = 0;
    step([&] { OpenBrowserPanel(Browser, PanelBrackwell, ImageFilterText(), *this); });
    step([&] { CheckForUpdate(); });
}

void TFormMain::FormClose() {
    // The program ends with this window: the show stops and the audience's window goes with it.
    SwallowErrors([&] { EndShow(); });
    // An adding loop still running stops. A list file being loaded has added only a part of its pictures,
    // which is no list the operator made: the last list then stays as it was. Otherwise the new list
    // replaces the last one in one rename, so a failed write leaves the old list in place; the rest of
    // closing goes on either way.
    CancelRequested = true;
    if (Images.Count() > 0 && ListFileLoads == 0) {
        SwallowErrors([&] { WriteImageListFile(LastImageListPath(), Images.FileNames()); });
    }
    SendBrowserClose();
    setAcceptDrops(false);
    SaveViewMode();
}

void TFormMain::EndShow() {
    Show.Stop();
    Presenter().Close();
    if (FormPreview != nullptr) {
        FormPreview->close();
    }
}

void TFormMain::FormDestroy() {
    // No thread is left waiting for a decoder that hangs: the decoder processes go first. Then the quit
    // request, and every thumbnail thread has ended before the window and the application go away.
    ShutdownGenericDecoders();
    StopThumbnailThreadControl();
    FreeThumbDatabase();
    Acquisition.Placeholder = QPixmap();
    CloseBrowserPanel();
}

void TFormMain::Settings1Click() {
    if (FormSettings != nullptr) {
        FormSettings->exec();
    }
}

void TFormMain::FormResize() {
    SendBrowserRelayout();
}

void TFormMain::TimerSplashTimer() {
    TimerSplash->stop();
    CloseSplash();
    QCoreApplication::processEvents();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    SwallowErrors([&] { FormClose(); });
    event->accept();
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    SwallowErrors([&] { FormResize(); });
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void TFormMain::dropEvent(QDropEvent* event) {
    // Only local files; folders and missing files fail the existence test of the add and are skipped.
    SwallowErrors([&] {
        const QList<QUrl> urls = event->mimeData()->urls();
        for (const QUrl& url : urls) {
            if (url.isLocalFile()) {
                AddImageFile(url.toLocalFile());
            }
        }
    });
    event->acceptProposedAction();
}

void TFormMain::LoadViewMode() {
    const TIniFile settings(SettingsFilePath());
    PutListIntoViewMode(settings.ReadBool(SettingsSection, ViewModeKey, true) ? TListViewMode::Thumbnails
                                                                              : TListViewMode::List);
}

void TFormMain::SaveViewMode() {
    const QString path = SettingsFilePath();
    CreateEmptyUnicodeFile(path);
    TIniFile settings(path);
    settings.WriteBool(SettingsSection, ViewModeKey, Lister->ViewMode() == TListViewMode::Thumbnails);
    settings.Save();
}

void TFormMain::PutListIntoViewMode(TListViewMode mode) {
    ToolButtonReport->setChecked(mode == TListViewMode::List);
    ToolButtonThumbnails->setChecked(mode == TListViewMode::Thumbnails);
    Lister->SetViewMode(mode);
    Images.SetViewMode(mode);
}

void TFormMain::InitSystemImageList() {
    // The icons themselves are gathered per file type as files are added (TSystemIcons); the report
    // view shows them at the small icon size.
    Lister->ReportView()->setIconSize(QSize(16, 16));
}

// The list's background colour fills the placeholder and the margins of every fitted thumbnail.
void TFormMain::BuildPlaceholderBitmap() {
    Acquisition.Background = Lister->palette().color(QPalette::Base);
    Acquisition.Placeholder = QPixmap::fromImage(MakePlaceholderThumbnail(Acquisition.Background));
}

void TFormMain::StartThumbnailThreadControl() {
    ThumbnailControl = std::make_unique<TThumbnailThreadControl>(this, Acquisition.Background);
    ThumbnailThreadWindow = ThumbnailControl->ControlWindow();
    ThumbnailControl->Start();
}

void TFormMain::StopThumbnailThreadControl() {
    if (ThumbnailThreadWindow != nullptr) {
        QCoreApplication::postEvent(ThumbnailThreadWindow, new QEvent(ThumbQuit));
        ThumbnailThreadWindow = nullptr;
    }
    // Joins the control thread and every worker; a worker busy with a picture finishes it first.
    ThumbnailControl.reset();
}

void TFormMain::ThumbnailResultReceived(std::unique_ptr<TThumbPacket> packet) {
    Acquisition.ThumbnailResultReceived(std::move(packet));
}

bool TFormMain::event(QEvent* event) {
    if (event->type() == ThumbResult) {
        SwallowErrors([&] { ThumbnailResultReceived(TakeThumbPacket(event)); });
        return true;
    }
    bool handled = false;
    SwallowErrors([&] { handled = QMainWindow::event(event); });
    return handled;
}

// Icons and hints ----------------------------------------------------------------------------------------

void TFormMain::LoadToolbarIcons() {
    InitIconResources();
    ImageListFilesButtons.clear();
    // A missing icon ends the loading; the buttons show what was loaded so far.
    SwallowErrors([&] {
        setWindowIcon(ResourceIcon("00MAINICON"));
        for (const char* name : ToolbarIconNames) {
            ImageListFilesButtons.append(ResourceIcon(name));
        }
    });
    for (QToolButton* button : ToolBarFileIcons->findChildren<QToolButton*>()) {
        const QVariant index = button->property(IconIndexProperty);
        if (index.isValid() && index.toInt() < ImageListFilesButtons.size()) {
            button->setIcon(ImageListFilesButtons[index.toInt()]);
        }
    }
}

// Hints are written on one line, with " /n/n " where a line break goes.
void TFormMain::ConvertHints(QWidget* control) {
    for (QWidget* child : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        SwallowErrors([&] {
            if (!child->toolTip().isEmpty()) {
                child->setToolTip(ConvertedHint(child->toolTip()));
            }
            if (!child->children().isEmpty()) {
                ConvertHints(child);
            }
        });
    }
}

QString ConvertedHint(QString hint) {
    return hint.replace(QStringLiteral(" /n/n "), QStringLiteral("\n"));
}

// Once per start, the last step of start-up: a newer published version is offered for download.
void TFormMain::CheckForUpdate() {
    if (CheckForUpdateAtStartUp && VersionUpdate->CheckForUpdate()) {
        VersionUpdate->PromptForUpdate();
    }
}

void TFormMain::ShowSplash() {
    FormAbout->ShowBox(true);
}

// The splash stays above the main window that appears while it is up, also where no window manager
// keeps always-on-top windows on top.
void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    SwallowErrors([&] {
        if (FormAbout->Box() != nullptr && FormAbout->Box()->isVisible()) {
            FormAbout->Box()->raise();
        }
    });
}

void TFormMain::CloseSplash() {
    FormAbout->CloseBox();
}

void TFormMain::About1Click() {
    FormAbout->ShowModalBox(false);
}

void TFormMain::Exit1Click() {
    close();
}

// List commands ----------------------------------------------------------------------------------------

void TFormMain::AddImageFile(const QString& path) {
    Images.AddImageFile(path);
}

void TFormMain::ToolButtonListClearClick() {
    if (ThumbnailThreadWindow != nullptr) {
        QCoreApplication::postEvent(ThumbnailThreadWindow, new QEvent(ThumbCancel));
    }
    Images.Clear();
}

void TFormMain::ListerKeyDown() {
    Images.DeleteSelected();
}

void TFormMain::ScrollListTo(int row) {
    if (row >= 0) {
        Lister->ScrollTo(row);
    }
}

void TFormMain::ToolButtonListMoveUpClick() {
    ScrollListTo(Images.MoveSelectedUp());
}

void TFormMain::ToolButtonListMoveDownClick() {
    ScrollListTo(Images.MoveSelectedDown());
}

void TFormMain::RandomizeImageList1Click() {
    Images.RandomizeImageList();
}

void TFormMain::ToolButtonLocateCurrentImageClick() {
    ScrollListTo(Images.LocateCurrentImage());
}

void TFormMain::ListerDblClick() {
    const int row = Images.FirstSelected();
    if (row >= 0) {
        ViewPicture(row);
    }
}

// Presentation --------------------------------------------------------------------------------------

void TFormMain::ToolButtonPlaySlideshowClick() {
    Show.Play();
    Presenter().ShowStarted();
}

void TFormMain::ToolButtonStopSlideshowClick() {
    Show.Stop();
}

void TFormMain::ToolButtonSlideshowNextClick() {
    Show.Next();
}

void TFormMain::ToolButtonSlideshowPreviousClick() {
    Show.Previous();
}

void TFormMain::TimerSlideShowTimer() {
    Show.Tick();
}

void TFormMain::SelectEntry(int index) {
    Images.Selection().select(Images.Model().index(index),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QList<TMonitorInfo> TFormMain::Monitors() const {
    return TMonitorWatch::Monitors();
}

QPoint TFormMain::CursorPosition() const {
    return QCursor::pos();
}

void TFormMain::ShowPreviewOver(const QRect& bounds, bool activate) {
    if (FormPreview != nullptr) {
        FormPreview->ShowOver(bounds, activate);
    }
}

void TFormMain::HidePreview() {
    if (FormPreview != nullptr) {
        FormPreview->hide();
    }
}

void TFormMain::EnableStepButtons() {
    ToolButtonSlideshowPrevious->setEnabled(true);
    ToolButtonSlideshowNext->setEnabled(true);
}

void TFormMain::BlankPreview(bool blank) {
    if (FormPreview != nullptr) {
        FormPreview->ImgView32Preview->SetBlank(blank);
    }
}

void TFormMain::ConnectPreview(TFormPreview& preview) {
    if (&preview == FormPreview) {
        // The slideshow's window: the show's keys, and the presenter follows what it shows.
        preview.ShowKey = [this](TShowKey key) { Show.Key(key); };
        connect(preview.ImgView32Preview, &TPictureSurface::PictureChanged, this,
                [this] { SwallowErrors([&] { Presenter().AudienceChanged(); }); });
    }
    preview.NextImage = [this](TFormPreview& window) { Pipeline.ShowNextImage(window); };
    preview.PreviousImage = [this](TFormPreview& window) { Pipeline.ShowPreviousImage(window); };
    preview.StopSlideshow = [this] { ToolButtonStopSlideshowClick(); };
    preview.WindowClosed = [this](TFormPreview& window) {
        if (&window == FormPreview) {
            Show.PreviewClosed();
        }
    };
}

// "View Picture": the entry, unwatermarked, in a window of its own on the primary monitor until Escape;
// steps in it carry the watermark when it is switched on, and move the current image.
void TFormMain::ViewPicture(int row) {
    TFormPreview preview(this);
    ConnectPreview(preview);
    Pipeline.ShowImage(row, false, preview);
    preview.ShowModal();
}

void TFormMain::ShowEXIFInformation(const QString& fileName) {
    if (FormEXIFInformation != nullptr) {
        FormEXIFInformation->ShowFile(fileName);
    }
}

void TFormMain::ViewEXIFInformation1Click() {
    const int row = Images.FirstSelected();
    if (row >= 0) {
        ShowEXIFInformation(Images.FileName(row));
    }
}

// A toggle button has already changed its own state when its handler runs; the pair keeps exactly one
// of them pressed, and clicking the pressed one changes nothing.
void TFormMain::ViewModeButtonClicked(QToolButton* clicked, QToolButton* other, TListViewMode mode) {
    if (!clicked->isChecked() && !other->isChecked()) {
        clicked->setChecked(true);
        return;
    }
    other->setChecked(false);
    PutListIntoViewMode(mode);
    if (mode == TListViewMode::List) {
        ApplyListImages();
    } else {
        ApplyThumbnailImages();
    }
}

void TFormMain::ToolButtonReportClick() {
    ViewModeButtonClicked(ToolButtonReport, ToolButtonThumbnails, TListViewMode::List);
}

void TFormMain::ToolButtonThumbnailsClick() {
    ViewModeButtonClicked(ToolButtonThumbnails, ToolButtonReport, TListViewMode::Thumbnails);
}

void TFormMain::ApplyListImages() {
    Images.ApplyListImages();
}

void TFormMain::ApplyThumbnailImages() {
    Images.ApplyThumbnailImages();
}

// Image list files ---------------------------------------------------------------------------------------

namespace {

const QString ListFileFilter = QStringLiteral("Text files|*.txt");
// {54F52A9D-F2ED-4BF7-B90E-0831BABA3089} and {...3090}: the folders the two dialogs remember.
constexpr TBrackwellGuid OpenListDialogId = {
    0x54F52A9D, 0xF2ED, 0x4BF7, {0xB9, 0x0E, 0x08, 0x31, 0xBA, 0xBA, 0x30, 0x89}};
constexpr TBrackwellGuid SaveListDialogId = {
    0x54F52A9D, 0xF2ED, 0x4BF7, {0xB9, 0x0E, 0x08, 0x31, 0xBA, 0xBA, 0x30, 0x90}};

// Stands in for the progress window where there is none.
class TNoProgress : public TProgressDisplay {
public:
    void Begin(int) override {}
    void Step(const QString&) override {}
    void End() override {}
};

}  // namespace

std::optional<QString> TFormMain::DefaultListFileChooser(TFormMain& window, bool save) {
    return RunFileDialog(window.Browser, &window, ListFileFilter, save ? SaveListDialogId : OpenListDialogId,
                         save);
}

TProgressDisplay& TFormMain::Progress() {
    static TNoProgress none;
    return FormProgress != nullptr ? static_cast<TProgressDisplay&>(*FormProgress) : none;
}

void TFormMain::ToolButtonSaveImageListClick() {
    if (const std::optional<QString> name = ChooseListFile(*this, true)) {
        SaveImageList(this, *name, Images.FileNames());
    }
}

void TFormMain::ToolButtonLoadImageListClick() {
    const std::optional<QString> name = ChooseListFile(*this, false);
    if (!name) {
        return;
    }
    if (Images.Count() > 0) {
        AskToClearImageList();
    }
    LoadListFile(*name);
}

void TFormMain::AskToClearImageList() {
    if (AskYesNo(this, QStringLiteral("Clear the existing image list?"))) {
        ToolButtonListClearClick();
    }
}

void TFormMain::Loadlastimagelist1Click() {
    QCoreApplication::processEvents();
    LoadListFile(LastImageListPath());
}

// Closing the window while a list file loads must know that the list is only partly there.
void TFormMain::LoadListFile(const QString& path) {
    ++ListFileLoads;
    const auto loaded = qScopeGuard([this] { --ListFileLoads; });
    ReadImageListFile(path, Images, Progress());
}

void TFormMain::OpenFromCommandLine(const TOpenRequests& requests) {
    OpenInImageList(
        requests, Images, Progress(), [this] { AskToClearImageList(); },
        [this](const QString& path) { LoadListFile(path); });
    RaiseWindow(*this);
}

// Hooks of the image list and the browser ----------------------------------------------------------------

void TFormMain::OpenThumbDatabase(const QString& databasePath) {
    ::OpenThumbDatabase(ThumbDatabase, databasePath);
}

qint32 TFormMain::AcquireThumbnail(const QString& path) {
    return Acquisition.AcquireThumbnail(path);
}

void TFormMain::BrowserFilesChosen(const QStringList& fileNames) {
    AddChosenFiles(fileNames, Images, Progress());
}

void TFormMain::BrowserClosed() {
    close();
}
