#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWindow>

#include <functional>
#include <memory>
#include <vector>

#include "BrowserLibrary.h"
#include "CannedHttpServer.h"
#include "EXIFInformation.h"
#include "ErrorBoundary.h"
#include "FileMaker.h"
#include "FormAbout.h"
#include "ImageListFile.h"
#include "Lister.h"
#include "OpenUrl.h"
#include "Preview.h"
#include "ProgressWindow.h"
#include "Question.h"
#include "Settings.h"
#include "TempHome.h"
#include "ThumbnailerThread.h"
#include "UnitMain.h"
#include "VersionUpdate.h"

namespace {

using testsupport::MakeFile;
using testsupport::ReadBytes;

QByteArray Utf16Le(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

// Each test starts as a first run: no per-user folder, no browser library.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(testsupport::UserDataFolder()).removeRecursively();
        TFormMain::CheckForUpdateAtStartUp = false;
    }

    TFormMain& Open() {
        Window = std::make_unique<TFormMain>(NoBrowser);
        return *Window;
    }
    void Close() {
        QCloseEvent close;
        QCoreApplication::sendEvent(Window.get(), &close);
    }
    QString SettingsFile() const {
        return testsupport::UserDataFolder() + QCoreApplication::applicationName() + QStringLiteral(".ini");
    }
    QString LastListFile() const {
        return testsupport::UserDataFolder() + QStringLiteral("Last image list.txt");
    }
    QString Picture(const QString& name) { return MakeFile(Pictures.filePath(name)); }

    TBrowserLibrary NoBrowser;
    QTemporaryDir Pictures;
    std::unique_ptr<TFormMain> Window;
};

TEST_F(MainWindowTest, FirstRunCreatesAnEmptyUnicodeSettingsFileAndStartsInThumbnailView) {
    TFormMain& window = Open();
    EXPECT_EQ(ReadBytes(SettingsFile()), QByteArray("\xFF\xFE", 2));
    EXPECT_TRUE(window.ToolButtonThumbnails->isChecked());
    EXPECT_FALSE(window.ToolButtonReport->isChecked());
    EXPECT_EQ(window.Lister->ViewMode(), TListViewMode::Thumbnails);
    EXPECT_EQ(window.PanelBrackwellContainer->maximumWidth(), 680);
    EXPECT_NE(window.PanelBrackwell->findChild<QLabel*>(QStringLiteral("LabelBrowserUnavailable")), nullptr);
}

// The toolbar as the operator finds it after a first start: buttons in order with their hints, icons
// from the program's resources, the step buttons disabled.
TEST_F(MainWindowTest, ToolbarButtonsInOrderWithHintsIconsAndStates) {
    TFormMain& window = Open();
    struct Button {
        const char* Name;  // nullptr: a separator
        const char* Hint;
        bool Enabled;
    };
    const std::vector<Button> expected = {
        {"ToolButtonReport", "List view mode.", true},
        {"ToolButtonThumbnails", "Thumbnail view mode.", true},
        {nullptr, nullptr, true},
        {"ToolButtonListClear", "Clear the image list.", true},
        {nullptr, nullptr, true},
        {"ToolButtonListMoveUp", "Move selected images up in the list.", true},
        {"ToolButtonListMoveDown", "Move selected images down in the list.", true},
        {nullptr, nullptr, true},
        {"ToolButtonPlaySlideshow", "Play slideshow", true},
        {"ToolButtonStopSlideshow", "Stop slideshow", true},
        {"ToolButtonSlideshowPrevious", "Slideshow previous image", false},
        {"ToolButtonSlideshowNext", "Slideshow next image", false},
        {"ToolButtonLocateCurrentImage", "", true},
        {nullptr, nullptr, true},
        {"ToolButtonLoadImageList", "Load image list from file...", true},
        {"ToolButtonSaveImageList", "Save image list to file...", true},
    };
    const QList<QAction*> actions = window.ToolBarFileIcons->actions();
    ASSERT_EQ(actions.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        QWidget* widget = window.ToolBarFileIcons->widgetForAction(actions[qsizetype(i)]);
        if (expected[i].Name == nullptr) {
            EXPECT_TRUE(actions[qsizetype(i)]->isSeparator());
            continue;
        }
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->objectName(), QLatin1String(expected[i].Name));
        EXPECT_EQ(widget->toolTip(), QLatin1String(expected[i].Hint));
        EXPECT_EQ(widget->isEnabled(), expected[i].Enabled);
        EXPECT_FALSE(static_cast<QToolButton*>(widget)->icon().isNull());
    }
    EXPECT_EQ(window.ImageListFilesButtons.size(), 13);
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Orvalis"));
}

TEST_F(MainWindowTest, HintsWrittenOnOneLineBecomeSeveral) {
    EXPECT_EQ(ConvertedHint(QStringLiteral("First /n/n second /n/n third")),
              QStringLiteral("First\nsecond\nthird"));
    EXPECT_EQ(ConvertedHint(QStringLiteral("Play slideshow")), QStringLiteral("Play slideshow"));
    EXPECT_EQ(ConvertedHint(QStringLiteral("no/n/nblanks")), QStringLiteral("no/n/nblanks"));

    TFormMain& window = Open();
    auto* nested = new QWidget(window.Panel4);
    auto* leaf = new QWidget(nested);
    leaf->setToolTip(QStringLiteral("Deep /n/n down"));
    window.ConvertHints(&window);
    EXPECT_EQ(leaf->toolTip(), QStringLiteral("Deep\ndown"));
}

TEST_F(MainWindowTest, TheBrowserHalfKeepsItsWidthAndTheListTakesTheRest) {
    TFormMain& window = Open();
    window.resize(1920, 1000);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.PanelBrackwellContainer->width(), 680);
    EXPECT_EQ(window.PanelListerContainer->geometry().left(), 680);
    EXPECT_EQ(window.PanelListerContainer->geometry().right(), window.centralWidget()->width() - 1);
}

TEST_F(MainWindowTest, MenusHoldTheirCommandsAndHelpOnlyAbout) {
    TFormMain& window = Open();
    QStringList menus;
    for (QAction* menu : window.menuBar()->actions()) {
        menus << menu->text();
    }
    EXPECT_EQ(menus,
              QStringList({QStringLiteral("File"), QStringLiteral("Options"), QStringLiteral("Help")}));
    const QList<QAction*> help = window.menuBar()->actions().last()->menu()->actions();
    ASSERT_EQ(help.size(), 1);
    EXPECT_EQ(help[0]->text(), QStringLiteral("About..."));
    EXPECT_FALSE(window.findChild<QAction*>(QStringLiteral("CloseBrackwell1"))->isVisible());
}

// The splash shows the about box without buttons from start-up until the splash timer; "About..."
// shows it again with its OK button.
TEST_F(MainWindowTest, SplashAtStartUpAndTheAboutBoxOnRequest) {
    TFormMain& window = Open();
    TFormAboutBox* box = window.FormAbout->Box();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->ButtonOk2->isVisible());
    window.TimerSplash->start(1);  // instead of three seconds
    EXPECT_TRUE(QTest::qWaitFor([&] { return !box->isVisible(); }, 5000));

    bool okShown = false;
    QTimer::singleShot(0, [&] {
        okShown = box->isVisible() && box->ButtonOk2->isVisible();
        box->ButtonOk2->click();
    });
    window.findChild<QAction*>(QStringLiteral("About1"))->trigger();
    EXPECT_TRUE(okShown);
    EXPECT_FALSE(box->isVisible());
}

// A newer version published on the maker's site (served here from 127.0.0.1) is offered at the end
// of start-up; declining opens nothing.
TEST_F(MainWindowTest, ANewerPublishedVersionIsOffered) {
    testsupport::TCannedHttpServer server;
    ASSERT_TRUE(server.IsListening());
    server.Answer(QStringLiteral("/Version.txt"), {testsupport::VersionFile("99.0.0.0")});
    TFormMain& window = Open();
    window.VersionUpdate->URLVersionFile = server.Url(QStringLiteral("/Version.txt"));
    QStringList questions, opened;
    SetQuestionAnswerer([&](const QString& question) {
        questions << question;
        return false;
    });
    SetUrlOpener([&](const QString& target) {
        opened << target;
        return true;
    });
    TFormMain::CheckForUpdateAtStartUp = true;
    window.CheckForUpdate();
    SetQuestionAnswerer({});
    SetUrlOpener({});
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].startsWith(QStringLiteral("New version available for Quenmark's Orvalis\r\n")));
    EXPECT_TRUE(questions[0].contains(QStringLiteral("Newer version: 99.0.0.0\r\n")));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(MainWindowTest, StoredListViewModeStartsInListViewAndClosingWritesTheMode) {
    MakeFile(SettingsFile(),
             Utf16Le(QStringLiteral("[Other]\r\nKeep=me\r\n[Settings]\r\nListerViewModeThumbs=0\r\n")));
    TFormMain& window = Open();
    EXPECT_TRUE(window.ToolButtonReport->isChecked());
    EXPECT_FALSE(window.ToolButtonThumbnails->isChecked());
    EXPECT_EQ(window.Lister->ViewMode(), TListViewMode::List);

    Close();
    EXPECT_EQ(ReadBytes(SettingsFile()),
              Utf16Le(QStringLiteral("[Other]\r\nKeep=me\r\n[Settings]\r\nListerViewModeThumbs=0\r\n")));

    window.ToolButtonThumbnails->click();
    Close();
    EXPECT_EQ(ReadBytes(SettingsFile()),
              Utf16Le(QStringLiteral("[Other]\r\nKeep=me\r\n[Settings]\r\nListerViewModeThumbs=1\r\n")));
}

TEST_F(MainWindowTest, ClosingWithAnEmptyListLeavesTheLastListAlone) {
    const QByteArray old = Utf16Le(QStringLiteral("/old/picture.jpg\r\n"));
    MakeFile(LastListFile(), old);
    Open();
    Close();
    EXPECT_EQ(ReadBytes(LastListFile()), old);
}

TEST_F(MainWindowTest, ClosingWithEntriesReplacesTheLastList) {
    MakeFile(LastListFile(), Utf16Le(QStringLiteral("/old/picture.jpg\r\n")));
    TFormMain& window = Open();
    const QString a = Picture(QStringLiteral("a.jpg"));
    const QString b = Picture(QStringLiteral("b.jpg"));
    window.AddImageFile(a);
    window.AddImageFile(b);
    Close();
    EXPECT_EQ(ReadBytes(LastListFile()), Utf16Le(a + QStringLiteral("\r\n") + b + QStringLiteral("\r\n")));
    EXPECT_EQ(QDir(testsupport::UserDataFolder()).entryList(QDir::Files).size(), 2);  // no temporary left
}

TEST_F(MainWindowTest, AFailedListWriteStillClosesAndSavesTheViewMode) {
    TFormMain& window = Open();
    QDir().mkpath(LastListFile());  // a folder where the file should go: the rename must fail
    window.AddImageFile(Picture(QStringLiteral("a.jpg")));
    window.ToolButtonReport->click();
    QCloseEvent close;
    QCoreApplication::sendEvent(&window, &close);
    EXPECT_TRUE(close.isAccepted());
    EXPECT_TRUE(QFileInfo(LastListFile()).isDir());
    EXPECT_EQ(ReadBytes(SettingsFile()), Utf16Le(QStringLiteral("[Settings]\r\nListerViewModeThumbs=0\r\n")));
}

// However the main window closes, the program ends: the automatic advance stops and the audience's
// window goes, also where it was still showing a picture on the other monitor.
TEST_F(MainWindowTest, ClosingTheMainWindowEndsTheShowAndTheProgram) {
    struct TWay {
        const char* Name;
        std::function<void(TFormMain&)> Close;
    };
    const std::vector<TWay> ways = {
        {"File > Exit",
         [](TFormMain& window) { window.findChild<QAction*>(QStringLiteral("Exit1"))->trigger(); }},
        {"title bar", [](TFormMain& window) { window.windowHandle()->close(); }},
    };
    for (const TWay& way : ways) {
        SCOPED_TRACE(way.Name);
        TFormMain& window = Open();
        FormPreview = new TFormPreview();
        window.ConnectPreview(*FormPreview);
        for (const auto& [name, colour] : {std::pair{"a.png", Qt::red}, std::pair{"b.png", Qt::blue}}) {
            QImage picture(40, 30, QImage::Format_RGB32);
            picture.fill(colour);
            ASSERT_TRUE(picture.save(Pictures.filePath(QLatin1String(name))));
            window.AddImageFile(Pictures.filePath(QLatin1String(name)));
        }
        window.show();
        window.ToolButtonPlaySlideshow->click();  // automatic advance by default
        ASSERT_TRUE(FormPreview->isVisible());
        ASSERT_TRUE(window.Slideshow().TimerSlideShow.isActive());

        bool ended = true;
        QTimer::singleShot(0, &window, [&] { way.Close(window); });
        QTimer lingering;
        lingering.setSingleShot(true);
        QObject::connect(&lingering, &QTimer::timeout, [&] {
            ended = false;
            QCoreApplication::exit(1);
        });
        lingering.start(10000);
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_TRUE(ended) << "the program was still running 10 s after its main window closed";
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(FormPreview->isVisible());
        EXPECT_FALSE(window.Slideshow().TimerSlideShow.isActive());

        delete FormPreview;
        FormPreview = nullptr;
        Window.reset();
    }
}

// A progress window that closes the main window as the given step of a list is shown, as a close that
// arrives between two files of the loading would.
class TClosingProgress : public TFormProgress {
public:
    TClosingProgress(QWidget& window, int closeAtStep)
        : TFormProgress(nullptr), Window(window), At(closeAtStep) {}
    void Step(const QString& name) override {
        TFormProgress::Step(name);
        if (++Steps == At) {
            Window.close();
        }
    }

private:
    QWidget& Window;
    int At;
    int Steps = 0;
};

// Closing while a list file loads stops the loading; the entries added so far are not written over the
// last list, whether it is the list being loaded or another one.
TEST_F(MainWindowTest, ClosingWhileAListLoadsStopsItAndKeepsTheLastList) {
    QStringList pictures;
    for (int i = 0; i < 10; ++i) {
        pictures << Picture(QStringLiteral("p%1.jpg").arg(i));
    }
    const QByteArray last = Utf16Le(pictures.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    const QString other = MakeFile(Pictures.filePath(QStringLiteral("other.txt")), last);
    for (const char* command : {"Loadlastimagelist1", "LoadImageList1"}) {
        SCOPED_TRACE(command);
        MakeFile(LastListFile(), last);
        TFormMain& window = Open();
        window.ChooseListFile = [&](TFormMain&, bool) { return std::optional<QString>(other); };
        TClosingProgress progress(window, 3);
        FormProgress = &progress;
        window.findChild<QAction*>(QLatin1String(command))->trigger();
        FormProgress = nullptr;
        EXPECT_EQ(window.ImageList().Count(), 2);  // the third file was being shown when it closed
        EXPECT_EQ(ReadBytes(LastListFile()), last);
        EXPECT_FALSE(progress.isVisible());
        Window.reset();
    }
}

TEST_F(MainWindowTest, DroppedLocalFilesAreAddedAndEverythingElseSkipped) {
    TFormMain& window = Open();
    const QString text = Picture(QStringLiteral("notes.txt"));
    const QString photo = Picture(QStringLiteral("photo.jpg"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Pictures.path()), QUrl::fromLocalFile(text),
                  QUrl::fromLocalFile(Pictures.filePath(QStringLiteral("gone.jpg"))),
                  QUrl(QStringLiteral("https://example.invalid/x.jpg")), QUrl::fromLocalFile(photo)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &drop);
    EXPECT_EQ(window.ImageList().Count(), 0);  // added once the drop is over
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.ImageList().Count() == 2; }));
    EXPECT_EQ(window.ImageList().FileNames(), (QStringList{text, photo}));
    // Until thumbnails are rendered every entry shows a copy of the placeholder.
    const QPixmap first = window.ImageList().ImageListThumbnails().At(0);
    EXPECT_EQ(first.size(), QSize(160, 120));
    EXPECT_EQ(first.cacheKey(), window.ImageList().ImageListThumbnails().At(1).cacheKey());
}

TEST_F(MainWindowTest, ViewModeButtonsWorkAsAPair) {
    TFormMain& window = Open();
    window.AddImageFile(Picture(QStringLiteral("a.jpg")));
    const auto shown = [&] { return window.ImageList().Model().ImageIndex(0); };
    const TFileData& record = window.ImageList().Model().Record(0);

    window.ToolButtonThumbnails->click();  // clicking the pressed button changes nothing
    EXPECT_TRUE(window.ToolButtonThumbnails->isChecked());
    EXPECT_FALSE(window.ToolButtonReport->isChecked());
    EXPECT_EQ(window.Lister->ViewMode(), TListViewMode::Thumbnails);

    window.ToolButtonReport->click();
    EXPECT_TRUE(window.ToolButtonReport->isChecked());
    EXPECT_FALSE(window.ToolButtonThumbnails->isChecked());
    EXPECT_EQ(window.Lister->ViewMode(), TListViewMode::List);
    EXPECT_EQ(shown(), record.SystemIconIndex);

    window.ToolButtonThumbnails->click();
    EXPECT_EQ(window.Lister->ViewMode(), TListViewMode::Thumbnails);
    EXPECT_EQ(shown(), record.ThumbnailIndex);
}

TEST_F(MainWindowTest, ClearButtonEmptiesTheListAndDeleteKeyRemovesTheSelection) {
    TFormMain& window = Open();
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        window.AddImageFile(Picture(QLatin1String(name)));
    }
    window.ImageList().SetSelectionFlags({false, true, false});
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(window.Lister->CurrentView(), &del);
    EXPECT_EQ(window.ImageList().Count(), 2);

    window.ToolButtonListClear->click();
    EXPECT_EQ(window.ImageList().Count(), 0);
    EXPECT_EQ(window.ImageList().ListGeneration, 1);
}

// Whatever the operator did in either view, thumbnail view shows every entry as a whole thumbnail with
// its caption under it.
struct TListSequence {
    const char* Name;
    std::vector<std::function<void(TFormMain&)>> Steps;
};

void PrintTo(const TListSequence& sequence, std::ostream* out) {
    *out << sequence.Name;
}

const auto ListView = [](TFormMain& window) { window.ToolButtonReport->click(); };
const auto ThumbnailView = [](TFormMain& window) { window.ToolButtonThumbnails->click(); };
const auto Select = [](int row) {
    return [row](TFormMain& window) {
        QAbstractItemView& view = *window.Lister->CurrentView();
        const QRect item = view.visualRect(window.ImageList().Model().index(row));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    };
};
const auto DeleteKey = [](TFormMain& window) {
    QTest::keyClick(window.Lister->CurrentView(), Qt::Key_Delete);
};
const auto MoveUp = [](TFormMain& window) { window.ToolButtonListMoveUp->click(); };
const auto MoveDown = [](TFormMain& window) { window.ToolButtonListMoveDown->click(); };
const auto Shuffle = [](TFormMain& window) {
    window.findChild<QAction*>(QStringLiteral("RandomizeImageList1"))->trigger();
};

class ListSequenceTest : public MainWindowTest, public ::testing::WithParamInterface<TListSequence> {};

TEST_P(ListSequenceTest, ThumbnailViewShowsEveryEntryWholeWithItsCaption) {
    TFormMain& window = Open();
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
        window.AddImageFile(Picture(QLatin1String(name)));
    }
    // Active, as for the operator: the keyboard focus goes with the view that is shown. Wide enough for
    // all entries in one row, so that no scroll bar comes or goes to make the views lay out again.
    window.resize(1920, 1000);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const auto& step : GetParam().Steps) {
        step(window);
        QCoreApplication::processEvents();
    }
    ThumbnailView(window);
    QCoreApplication::processEvents();

    QListView& icons = *window.Lister->IconView();
    ASSERT_TRUE(icons.isVisible());
    const int captionHeight = icons.fontMetrics().height();
    ASSERT_GT(window.ImageList().Count(), 0);
    for (int row = 0; row < window.ImageList().Count(); ++row) {
        SCOPED_TRACE(row);
        const QModelIndex index = window.ImageList().Model().index(row);
        EXPECT_EQ(index.data(Qt::DecorationRole).value<QPixmap>().size(), QSize(160, 120));
        const QRect item = icons.visualRect(index);
        EXPECT_GE(item.width(), 160);
        EXPECT_GE(item.height(), 120 + captionHeight);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ListSequenceTest,
    ::testing::Values(
        TListSequence{"DeleteInListView", {ListView, Select(1), DeleteKey}},
        TListSequence{"DeleteInThumbnailView", {Select(1), DeleteKey, ListView}},
        TListSequence{"MoveAndShuffleInListView", {ListView, Select(2), MoveUp, MoveDown, Shuffle}},
        TListSequence{"DeleteMoveAndShuffleInListView",
                      {ListView, Select(3), DeleteKey, Select(0), MoveDown, Shuffle}},
        TListSequence{"DeleteInBothViewsBackAndForth",
                      {ListView, Select(0), DeleteKey, ThumbnailView, ListView, Select(2), DeleteKey,
                       ThumbnailView, Select(0), DeleteKey, ListView, ThumbnailView, ListView}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MainWindowTest, SettingsMenuItemShowsTheSettingsDialogModally) {
    TFormMain& window = Open();
    FormSettings = new TFormSettings(&window);
    bool shownModally = false;
    QTimer::singleShot(0, [&] {
        shownModally = FormSettings->isVisible() && FormSettings->isModal();
        FormSettings->close();
    });
    window.findChild<QAction*>(QStringLiteral("Settings1"))->trigger();
    EXPECT_TRUE(shownModally);
    delete FormSettings;
    FormSettings = nullptr;
}

TEST_F(MainWindowTest, ViewExifInformationShowsTheFirstSelectedEntry) {
    TFormMain& window = Open();
    FormEXIFInformation = new TFormEXIFInformation(&window);
    SetErrorReportSink([](const QString&) {});  // the files are no JPEGs
    QAction* item = window.findChild<QAction*>(QStringLiteral("ViewEXIFInformation1"));
    int shown = 0;
    const auto closeWhenShown = [&] {
        QTimer::singleShot(0, [&] {
            shown += FormEXIFInformation->isVisible() ? 1 : 0;
            FormEXIFInformation->close();
        });
    };
    closeWhenShown();
    item->trigger();  // nothing selected: nothing happens
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, 0);

    window.AddImageFile(Picture(QStringLiteral("a.jpg")));
    window.AddImageFile(Picture(QStringLiteral("b.jpg")));
    window.ImageList().SetSelectionFlags({false, true});
    closeWhenShown();
    item->trigger();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(FormEXIFInformation->FileName, Pictures.filePath(QStringLiteral("b.jpg")));
    SetErrorReportSink({});
    delete FormEXIFInformation;
    FormEXIFInformation = nullptr;
}

// "View Picture" (the popup item and a double click) shows the selected entry in a modal preview window
// of its own on the primary monitor; a click in it steps, and the steps move the current image.
TEST_F(MainWindowTest, ViewPictureShowsTheSelectedEntryInAModalWindowThatSteps) {
    TFormMain& window = Open();
    QStringList paths;
    for (const auto& [name, colour] : {std::pair{"a.png", Qt::red}, std::pair{"b.png", Qt::blue}}) {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(colour);
        paths << Pictures.filePath(QLatin1String(name));
        ASSERT_TRUE(picture.save(paths.last()));
        window.AddImageFile(paths.last());
    }
    QAction* item = window.findChild<QAction*>(QStringLiteral("Show1"));
    item->trigger();  // nothing selected: no window
    EXPECT_TRUE(window.ImageList().CurrentImage.isEmpty());

    window.ImageList().SetSelectionFlags({false, true});
    struct TSeen {
        bool Modal = false;
        QRect Geometry;
        QColor Before, AfterClick;
    } seen;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<TFormPreview*>(QApplication::activeModalWidget());
        ASSERT_NE(preview, nullptr);
        seen.Modal = preview->isVisible() && preview->isModal();
        seen.Geometry = preview->geometry();
        seen.Before = preview->ImgView32Preview->FittedPicture().pixelColor(0, 0);
        QTest::mouseClick(preview->ImgView32Preview, Qt::LeftButton);
        seen.AfterClick = preview->ImgView32Preview->FittedPicture().pixelColor(0, 0);
        QTest::keyClick(preview, Qt::Key_Escape);
    });
    item->trigger();
    EXPECT_TRUE(seen.Modal);
    EXPECT_EQ(seen.Geometry, QGuiApplication::primaryScreen()->availableGeometry());
    EXPECT_EQ(seen.Before, QColor(Qt::blue));
    EXPECT_EQ(seen.AfterClick, QColor(Qt::red));  // after the last entry comes the first
    EXPECT_EQ(window.ImageList().CurrentImage, paths[0]);
    EXPECT_EQ(window.findChildren<TFormPreview*>().size(), 0);  // destroyed when closed
}

// Entries without an EXIF or database thumbnail show the placeholder until the thumbnail threads have
// rendered theirs; closing the window with work in flight joins the threads first.
TEST_F(MainWindowTest, RenderedThumbnailsReplaceThePlaceholdersAndShutdownWaitsForTheWorkers) {
    TFormMain& window = Open();
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString path = Pictures.filePath(QStringLiteral("red.png"));
    ASSERT_TRUE(picture.save(path));
    window.AddImageFile(path);
    TImageList& images = window.ImageList();
    const auto thumbnail = [&] { return images.ImageListThumbnails().At(0).toImage(); };
    const QImage placeholder = thumbnail();
    EXPECT_NE(placeholder.pixelColor(80, 60), QColor(Qt::red));
    EXPECT_TRUE(QTest::qWaitFor([&] { return thumbnail().pixelColor(80, 60) == QColor(Qt::red); }, 20000));

    for (int i = 0; i < 20; ++i) {
        window.AddImageFile(path);
    }
    Window.reset();  // workers still running or queued: none of them outlives the window
}

// Adding and clearing many times while thumbnails are rendered: every result of an old list is dropped,
// the last list gets its own thumbnails, and the workers all end.
TEST_F(MainWindowTest, ClearingWhileThumbnailsAreRenderedDropsEveryOldResult) {
    TFormMain& window = Open();
    const auto save = [&](const char* name, QColor colour) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(colour);
        const QString path = Pictures.filePath(QLatin1String(name));
        EXPECT_TRUE(picture.save(path));
        return path;
    };
    const QString old = save("old.png", Qt::red);
    const QString current = save("current.png", Qt::blue);
    for (int round = 0; round < 30; ++round) {
        for (int i = 0; i < 4; ++i) {
            window.AddImageFile(old);
        }
        QCoreApplication::processEvents();  // some results arrive between the clears
        window.ToolButtonListClear->click();
    }
    window.AddImageFile(current);
    window.AddImageFile(current);
    // A worker posts its result before its finish notice, so once none runs every result is in.
    TThumbnailThreadControl& control = *window.ThumbnailThreadControl();
    TImageList& images = window.ImageList();
    const auto shows = [&](int i, QColor colour) {
        return images.ImageListThumbnails().At(i).toImage().pixelColor(80, 60) == colour;
    };
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return control.RunningCount() == 0 && control.PendingRequestCount() == 0 && shows(0, Qt::blue) &&
                   shows(1, Qt::blue);
        },
        30000));
    QCoreApplication::processEvents();
    EXPECT_EQ(images.ImageListThumbnails().Count(), 2);
    EXPECT_TRUE(shows(0, Qt::blue) && shows(1, Qt::blue));
}

class ListFileCommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        SetQuestionAnswerer([this](const QString& question) {
            Questions.append(question);
            return Answer;
        });
        SetErrorReportSink([this](const QString& message) { Reports.append(message); });
    }
    void TearDown() override {
        SetQuestionAnswerer({});
        SetErrorReportSink({});
    }
    TFormMain& OpenChoosing(const QString& fileName) {
        TFormMain& window = Open();
        window.ChooseListFile = [fileName](TFormMain&, bool) { return std::optional<QString>(fileName); };
        return window;
    }

    bool Answer = false;
    QStringList Questions;
    QStringList Reports;
};

TEST_F(ListFileCommandsTest, SaveWritesTheListAndLoadAsksBeforeAppending) {
    const QString list = Pictures.filePath(QStringLiteral("show.txt"));
    TFormMain& window = OpenChoosing(list);
    const QString a = Picture(QStringLiteral("a.jpg"));
    const QString b = Picture(QStringLiteral("b.jpg"));
    window.AddImageFile(a);
    window.AddImageFile(b);
    window.ToolButtonSaveImageList->click();
    EXPECT_EQ(ReadBytes(list), Utf16Le(a + QStringLiteral("\r\n") + b + QStringLiteral("\r\n")));

    Answer = false;  // No: the loaded pictures come after the ones there
    window.ToolButtonLoadImageList->click();
    EXPECT_EQ(Questions, QStringList{QStringLiteral("Clear the existing image list?")});
    EXPECT_EQ(window.ImageList().FileNames(), (QStringList{a, b, a, b}));

    Answer = true;  // Yes: the list is cleared first
    window.ToolButtonLoadImageList->click();
    EXPECT_EQ(window.ImageList().FileNames(), (QStringList{a, b}));
    EXPECT_TRUE(Reports.isEmpty());

    window.ChooseListFile = [](TFormMain&, bool) { return std::optional<QString>(); };  // cancelled
    window.ToolButtonLoadImageList->click();
    window.ToolButtonSaveImageList->click();
    EXPECT_EQ(window.ImageList().Count(), 2);
    EXPECT_EQ(Questions.size(), 2);
}

// A name with a line break cannot be a line of a list file: Save says which entries it left out, the
// list written at close leaves them out without a word.
TEST_F(ListFileCommandsTest, NamesWithLineBreaksAreLeftOutOfListFiles) {
    const QString list = Pictures.filePath(QStringLiteral("show.txt"));
    TFormMain& window = OpenChoosing(list);
    QStringList told;
    SetInformationSink([&](const QString& text) { told.append(text); });
    const QString a = Picture(QStringLiteral("a.jpg"));
    const QString twoLines = Picture(QStringLiteral("two\nlines.jpg"));
    const QString b = Picture(QStringLiteral("b.jpg"));
    for (const QString& name : {a, twoLines, b}) {
        window.AddImageFile(name);
    }
    ASSERT_EQ(window.ImageList().Count(), 3);

    window.ToolButtonSaveImageList->click();
    EXPECT_EQ(ReadBytes(list), Utf16Le(a + QStringLiteral("\r\n") + b + QStringLiteral("\r\n")));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].endsWith(u'\n' + Pictures.filePath(QStringLiteral("two\u21B5lines.jpg"))))
        << told[0].toStdString();
    EXPECT_TRUE(Reports.isEmpty());

    Close();
    EXPECT_EQ(ReadBytes(LastListFile()), Utf16Le(a + QStringLiteral("\r\n") + b + QStringLiteral("\r\n")));
    EXPECT_EQ(told.size(), 1);
    SetInformationSink({});
}

TEST_F(ListFileCommandsTest, LoadLastImageListTwiceDoublesTheList) {
    const QString a = Picture(QStringLiteral("a.jpg"));
    MakeFile(LastListFile(), Utf16Le(a + QStringLiteral("\r\n")));
    TFormMain& window = Open();
    for (int i = 0; i < 2; ++i) {
        window.findChild<QAction*>(QStringLiteral("Loadlastimagelist1"))->trigger();
    }
    EXPECT_EQ(window.ImageList().FileNames(), (QStringList{a, a}));
    EXPECT_TRUE(Questions.isEmpty());
}

// A progress window that fails as soon as a list starts loading.
class TFailingProgress : public TFormProgress {
public:
    TFailingProgress() : TFormProgress(nullptr) {}
    void Begin(int) override { throw std::runtime_error("The progress window failed."); }
};

// The same failure is reported when the toolbar's command meets it, and ends a main-menu command that
// is one of the window's own messages silently.
TEST_F(ListFileCommandsTest, ToolbarFailuresAreReportedMenuFailuresSwallowed) {
    const QString list = Pictures.filePath(QStringLiteral("show.txt"));
    WriteImageListFile(list, {Picture(QStringLiteral("a.jpg"))});
    TFormMain& window = OpenChoosing(list);  // makes the per-user folder
    WriteImageListFile(LastListFile(), {Picture(QStringLiteral("b.jpg"))});
    TFailingProgress failing;
    FormProgress = &failing;
    window.ToolButtonLoadImageList->click();
    EXPECT_EQ(Reports, QStringList{QStringLiteral("The progress window failed.")});
    window.findChild<QAction*>(QStringLiteral("Loadlastimagelist1"))->trigger();
    EXPECT_EQ(Reports.size(), 1);
    FormProgress = nullptr;
}

TEST_F(ListFileCommandsTest, AFailedSaveIsReportedFromTheToolbarAndTheMenu) {
    const QString list = Pictures.filePath(QStringLiteral("locked/show.txt"));
    MakeFile(list, QByteArray("old"));
    TFormMain& window = OpenChoosing(list);
    window.AddImageFile(Picture(QStringLiteral("a.jpg")));
    // The folder cannot take the temporary file: a regular file stands where the new one must go.
    window.ChooseListFile = [list](TFormMain&, bool) {
        return std::optional<QString>(list + QStringLiteral("/x"));
    };
    window.ToolButtonSaveImageList->click();
    window.findChild<QAction*>(QStringLiteral("SaveImageList1"))->trigger();
    EXPECT_EQ(Reports.size(), 2);
    EXPECT_EQ(ReadBytes(list), QByteArray("old"));
}

}  // namespace
