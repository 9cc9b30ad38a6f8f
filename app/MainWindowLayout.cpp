#include "UnitMain.h"

#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "BrowserLibrary.h"
#include "ErrorBoundary.h"
#include "Exceptions.h"
#include "FormAbout.h"
#include "Lister.h"
#include "ThumbnailsInView.h"
#include "VersionUpdate.h"

// The main window's controls, toolbar, menus and status bar, and its icons and hints: how the window is
// built. What its commands do is in UnitMain.cpp.

// The icons are compiled into this library, which the program links statically: register them.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

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
    new TThumbnailsInView(*Lister->IconView(), Images);
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
