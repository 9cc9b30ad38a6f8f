#include "UnitMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QListView>
#include <QMimeData>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "AddingLoops.h"
#include "BrowserLibrary.h"
#include "CommandLine.h"
#include "EXIFInformation.h"
#include "ErrorBoundary.h"
#include "Exceptions.h"
#include "FileUtils.h"
#include "FormAbout.h"
#include "FreeImageLoader.h"
#include "ImageFilter.h"
#include "ImageListFile.h"
#include "IniFile.h"
#include "JpegReader.h"
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

namespace {

const QString SettingsSection = QStringLiteral("Settings");
const QString ViewModeKey = QStringLiteral("ListerViewModeThumbs");

// The presentation settings in force: the settings dialog's, or the defaults before it exists.
TSettingsValues CurrentSettings() {
    return FormSettings != nullptr ? FormSettings->Values() : TSettingsValues();
}

constexpr int HandOverMessageMilliseconds = 10000;

// What the status bar says of pictures another start handed over during a show.
QString HandOverText(int added) {
    return added == 1 ? QStringLiteral("Another start added 1 picture to the image list")
                      : QStringLiteral("Another start added %1 pictures to the image list").arg(added);
}

double ScreenDotsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInch() : 96.0;
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
          },
          [this](std::unique_ptr<TThumbPreference> preference) {
              if (ThumbnailThreadWindow != nullptr) {
                  PostThumbPreference(ThumbnailThreadWindow, std::move(preference));
              }
          }) {
    CreateControls();
    FormCreate();
}

TFormMain::~TFormMain() {
    FormDestroy();
}

void TFormMain::ConnectShow() {
    PresenterView = std::make_unique<TPresenterLink>(Show, Images, &CurrentSettings, this);
    PresenterView->StopShow = [this] { EndShow(); };
    // The count and the position of the entry shown follow the list (moves change entries in place).
    const QAbstractItemModel* model = &Images.Model();
    // A thumbnail that arrives changes neither; a delete counts once, when all its rows are gone.
    const auto listChanged = [this] {
        SwallowErrors([&] {
            if (!DeletingEntries) {
                Show.ListChanged();
            }
        });
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, listChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, listChanged);
    connect(model, &QAbstractItemModel::modelReset, this, listChanged);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [listChanged](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                if (roles != QList<int>{Qt::DecorationRole}) {
                    listChanged();
                }
            });
    // The audience window goes with its monitor; the signal comes while a monitor that goes away still
    // holds its windows.
    const auto* monitors = new TMonitorWatch(this);
    connect(monitors, &TMonitorWatch::MonitorsChanged, this, [this](const QList<TMonitorInfo>& monitors) {
        SwallowErrors([&] { Show.MonitorsChanged(monitors); });
    });
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
    // No thread is left waiting for a decoder: the decoder processes go first, and the JPEG decodes in
    // the workers give up. Then the quit request, and every thumbnail thread has ended before the
    // window and the application go away.
    ShutdownGenericDecoders();
    AbandonJpegDecodes();
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
    // They are added once the drop is over, so that the program they came from does not wait for
    // a whole archive to be added, and with progress and Cancel as the browser's chosen files.
    SwallowErrors([&] {
        QStringList files;
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) {
                files.append(url.toLocalFile());
            }
        }
        if (!files.isEmpty()) {
            QTimer::singleShot(0, this, [this, files] {
                SwallowErrors([&] { AddChosenFiles(files, Images, Progress()); });
            });
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

// The splash, the update check and the main menu's own commands ------------------------------------------

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
    {
        DeletingEntries = true;
        const auto counted = qScopeGuard([&] { DeletingEntries = false; });
        Images.DeleteSelected();
    }
    Show.ListChanged();
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
        // The presenter window that opens with the show takes the keyboard; the audience window leaves it.
        FormPreview->ShowOver(bounds, activate && !Presenter().OpensWithShowOver(bounds));
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
        preview.PlacementRefused = [this](TFormPreview&) { Show.PlacementRefused(); };
        connect(preview.ImgView32Preview, &TPictureSurface::PictureChanged, this,
                [this] { SwallowErrors([&] { Presenter().AudienceChanged(); }); });
    }
    preview.NextImage = [this](TFormPreview& window) { Pipeline.ShowNextImage(window); };
    preview.PreviousImage = [this](TFormPreview& window) { Pipeline.ShowPreviousImage(window); };
    preview.StopSlideshow = [this] { ToolButtonStopSlideshowClick(); };
    preview.WindowClosed = [this](TFormPreview& window) {
        // A picture still being decoded for it, and steps asked meanwhile, are given up.
        Pipeline.Abandon();
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

void TFormMain::OpenBrowserAtCommandLine(const TOpenRequests& requests) {
    if (const std::optional<QString> folder = BrowserFolderFor(requests)) {
        SendBrowserShowFolder(*folder);
    }
}

void TFormMain::OpenFromCommandLine(const TOpenRequests& requests) {
    const int before = Images.Count();
    OpenInImageList(
        requests, Images, Progress(), [this] { AskToClearImageList(); },
        [this](const QString& path) { LoadListFile(path); });
    // During a show the operator's eyes are on the presenter or the audience: the main window stays
    // where it is and says what came.
    if (Show.Status.State() != TShowState::NoShow) {
        statusBar()->showMessage(HandOverText(Images.Count() - before), HandOverMessageMilliseconds);
        return;
    }
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
