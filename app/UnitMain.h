#pragma once

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPixmap>

#include <functional>
#include <memory>
#include <optional>

#include "BrowserBinding.h"
#include "ImageList.h"
#include "OpenRequest.h"
#include "ShowImage.h"
#include "ShowList.h"
#include "Slideshow.h"
#include "ThumbDatabase.h"
#include "ThumbnailAcquisition.h"
#include "presenter/PresenterLink.h"

class QGroupBox;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class TBrowserLibrary;
class TFormPreview;
class TLister;
class TProgressDisplay;
class TThumbnailThreadControl;
class TVersionUpdate;
class TFormAbout;

// The main window: the browser on the left, the image list with its toolbar on the right. Its handlers
// are short forwards to the image list and the other subsystems, each behind its error boundary.
class TFormMain : public QMainWindow, private TImageListHooks, private TBrowserHost, private TSlideshowHost {
    Q_OBJECT
public:
    // Creating the window runs its start-up sequence (FormCreate); destroying it runs FormDestroy.
    explicit TFormMain(TBrowserLibrary& browserLibrary);
    ~TFormMain() override;

    TImageList& ImageList() { return Images; }

    // List commands.
    void AddImageFile(const QString& path);
    void ToolButtonListClearClick();
    void ListerKeyDown();
    void ToolButtonListMoveUpClick();
    void ToolButtonListMoveDownClick();
    void RandomizeImageList1Click();
    void ToolButtonLocateCurrentImageClick();
    void ListerDblClick();
    void ViewEXIFInformation1Click();
    void ToolButtonReportClick();
    void ToolButtonThumbnailsClick();
    void ApplyListImages();
    void ApplyThumbnailImages();

    // Presentation.
    void ToolButtonPlaySlideshowClick();
    void ToolButtonStopSlideshowClick();
    void ToolButtonSlideshowNextClick();
    void ToolButtonSlideshowPreviousClick();
    void TimerSlideShowTimer();
    // Wires a preview window's steps and its Escape to the pipeline and the slideshow.
    void ConnectPreview(TFormPreview& preview);
    TShowImage& ShowPipeline() { return Pipeline; }
    TSlideshow& Slideshow() { return Show; }
    // The presenter window and the list's mark of the shown entry, kept in step with the show.
    TPresenterLink& Presenter() { return *PresenterView; }

    // Image list files.
    void ToolButtonSaveImageListClick();
    void ToolButtonLoadImageListClick();
    void Loadlastimagelist1Click();
    // This start's command line: the browser opens at the first folder named, else at the first
    // picture's folder. Later starts leave the browser where the operator has it.
    void OpenBrowserAtCommandLine(const TOpenRequests& requests);
    // Pictures, folders and image list files named on a command line, this start's or a later
    // start's; the window then comes to the front.
    void OpenFromCommandLine(const TOpenRequests& requests);

    // How the list-file commands ask for a file name: the file-browser library's dialogs unless
    // replaced. `save` picks the save dialog; nothing when the user cancels.
    using TListFileChooser = std::function<std::optional<QString>(TFormMain& window, bool save)>;
    TListFileChooser ChooseListFile = &TFormMain::DefaultListFileChooser;

    // Whether start-up asks the maker's web site for a newer version; tests turn it off before they make
    // a window, so that no test reaches the network.
    static inline bool CheckForUpdateAtStartUp = true;
    TVersionUpdate* VersionUpdate = nullptr;
    TFormAbout* FormAbout = nullptr;  // the about box, also the start-up splash
    // The last step of start-up: a newer published version is offered for download.
    void CheckForUpdate();

    // Main-menu commands.
    void Settings1Click();
    void Exit1Click();
    void About1Click();

    // Start-up: the toolbar's icons from the program's resources, and hints written on one line made
    // into several (" /n/n " marks a line break) for every control under `control`.
    void LoadToolbarIcons();
    void ConvertHints(QWidget* control);
    QList<QIcon> ImageListFilesButtons;  // the toolbar's icons, by icon index

    void LoadViewMode();
    void SaveViewMode();

    // Controls, named by kind and role.
    QWidget* PanelBrackwellContainer = nullptr;
    QGroupBox* GroupBoxBrackwellContainer = nullptr;
    QWidget* PanelBrackwell = nullptr;
    QWidget* PanelListerContainer = nullptr;
    QGroupBox* GroupBoxListerContainer = nullptr;
    QWidget* Panel4 = nullptr;
    QToolBar* ToolBarFileIcons = nullptr;
    QToolButton* ToolButtonReport = nullptr;
    QToolButton* ToolButtonThumbnails = nullptr;
    QToolButton* ToolButtonListClear = nullptr;
    QToolButton* ToolButtonListMoveUp = nullptr;
    QToolButton* ToolButtonListMoveDown = nullptr;
    QToolButton* ToolButtonPlaySlideshow = nullptr;
    QToolButton* ToolButtonStopSlideshow = nullptr;
    QToolButton* ToolButtonSlideshowPrevious = nullptr;
    QToolButton* ToolButtonSlideshowNext = nullptr;
    QToolButton* ToolButtonLocateCurrentImage = nullptr;
    QToolButton* ToolButtonLoadImageList = nullptr;
    QToolButton* ToolButtonSaveImageList = nullptr;
    TLister* Lister = nullptr;
    QMenu* PopupMenuLister = nullptr;
    QTimer* TimerSplash = nullptr;
    // The status bar's text: what the audience monitor is doing (the slideshow's status).
    QLabel* LabelShowStatus = nullptr;
    // On the status of the show while a show is on and its presenter window is closed: opens it again.
    QToolButton* ButtonPresenterView = nullptr;

    // Thumbnails: where added entries get theirs, and the rendered ones as they arrive.
    TThumbnailAcquisition& Thumbnails() { return Acquisition; }
    TThumbnailThreadControl* ThumbnailThreadControl() { return ThumbnailControl.get(); }
    void ThumbnailResultReceived(std::unique_ptr<TThumbPacket> packet);

protected:
    // The window's own message procedure: ThumbResult messages go to ThumbnailResultReceived.
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Building the window (MainWindowLayout.cpp).
    void CreateControls();
    void CreateToolbar();
    void CreateMenus();
    void CreateStatusBar();
    // The slideshow hears of changes of the image list and of the monitors.
    void ConnectShow();

    void FormCreate();
    void FormClose();
    // Stops the slideshow timer and closes the shared preview window.
    void EndShow();
    void FormDestroy();
    void FormResize();
    void TimerSplashTimer();

    static std::optional<QString> DefaultListFileChooser(TFormMain& window, bool save);
    // Appends the pictures of an image list file, with progress.
    void LoadListFile(const QString& path);
    int ListFileLoads = 0;  // image list files being loaded (one may start while another runs)
    // "Clear the existing image list?"; clears it on Yes.
    void AskToClearImageList();
    // The progress window, or a silent stand-in where there is none.
    TProgressDisplay& Progress();

    void InitSystemImageList();
    void BuildPlaceholderBitmap();
    void StopThumbnailThreadControl();
    void PutListIntoViewMode(TListViewMode mode);
    void ViewModeButtonClicked(QToolButton* clicked, QToolButton* other, TListViewMode mode);
    void ScrollListTo(int row);

    // Start-up and command steps that the picture, thumbnail, about-box and update parts of the program
    // fill in; each is called at its place in the sequence.
    void ShowSplash();
    void CloseSplash();
    void StartThumbnailThreadControl();
    void ViewPicture(int row);
    void ShowEXIFInformation(const QString& fileName);
    void FreeThumbDatabase() { ThumbDatabase.reset(); }

    // TImageListHooks
    void OpenThumbDatabase(const QString& databasePath) override;
    qint32 AcquireThumbnail(const QString& path) override;

    // TSlideshowHost
    int FirstSelected() const override { return Images.FirstSelected(); }
    void SelectEntry(int index) override;
    QList<TMonitorInfo> Monitors() const override;
    QPoint CursorPosition() const override;
    void ShowPreviewOver(const QRect& bounds, bool activate) override;
    void HidePreview() override;
    void EnableStepButtons() override;
    void BlankPreview(bool blank) override;

    // TBrowserHost
    void BrowserFilesChosen(const QStringList& fileNames) override;
    void BrowserClosed() override;

    TBrowserLibrary& Browser;
    TImageList Images;
    TImageListShowList ShowList{Images};
    TSharedPreviewSink SharedPreview;
    TShowImage Pipeline;  // every picture shown, in a slideshow or in "View Picture"
    TSlideshow Show;
    std::unique_ptr<TPresenterLink> PresenterView;
    QObject* ThumbnailThreadWindow = nullptr;  // the thumbnail threads' message receiver, when running
    std::unique_ptr<TThumbnailThreadControl> ThumbnailControl;
    std::unique_ptr<TThumbDatabase> ThumbDatabase;  // the catalogue of one folder at a time
    TThumbnailAcquisition Acquisition;
    bool DeletingEntries = false;  // the show counts the list once the delete is done
};

extern TFormMain* FormMain;

// A hint with each " /n/n " made a line break.
QString ConvertedHint(QString hint);
