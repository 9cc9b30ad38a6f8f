#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "BrowserBinding.h"
#include "BrowserLibrary.h"
#include "FileMaker.h"
#include "ImageListFile.h"
#include "Question.h"
#include "TempHome.h"
#include "UnitMain.h"

namespace {

using testsupport::MakeFile;

class CommandLineWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(testsupport::UserDataFolder()).removeRecursively();
        TFormMain::CheckForUpdateAtStartUp = false;
        Window = std::make_unique<TFormMain>(NoBrowser);
        SetQuestionAnswerer([this](const QString& question) {
            Asked.append(question);
            return true;
        });
    }
    void TearDown() override { SetQuestionAnswerer({}); }

    TBrowserLibrary NoBrowser;
    QTemporaryDir Pictures;
    std::unique_ptr<TFormMain> Window;
    QStringList Asked;
};

// What a later start hands over joins the list of the window, after the question that loading a list
// file asks, and brings the window back from the taskbar.
TEST_F(CommandLineWindowTest, HandedOverPathsJoinTheListAndTheWindowComesBack) {
    const QString a = MakeFile(Pictures.filePath(QStringLiteral("a.jpg")));
    const QString b = MakeFile(Pictures.filePath(QStringLiteral("trip/b.jpg")));
    const QString list = Pictures.filePath(QStringLiteral("show.txt"));
    WriteImageListFile(list, {b});
    Window->showMinimized();

    Window->OpenFromCommandLine({{TOpenKind::Picture, a}});
    EXPECT_EQ(Window->ImageList().FileNames(), QStringList({a}));
    EXPECT_TRUE(Asked.isEmpty());
    EXPECT_FALSE(Window->isMinimized());

    Window->OpenFromCommandLine(
        {{TOpenKind::Folder, Pictures.filePath(QStringLiteral("trip"))}, {TOpenKind::ImageListFile, list}});
    EXPECT_EQ(Asked, QStringList({QStringLiteral("Clear the existing image list?")}));
    EXPECT_EQ(Window->ImageList().FileNames(), QStringList({b, b}));
}

// During a show the operator works in the presenter and the audience window: the main window stays
// where it is, and its status bar says what came.
TEST_F(CommandLineWindowTest, DuringAShowHandedOverPathsJoinTheListWithoutRaisingTheWindow) {
    const QString a = MakeFile(Pictures.filePath(QStringLiteral("a.jpg")));
    const QString b = MakeFile(Pictures.filePath(QStringLiteral("b.jpg")));
    const QString c = MakeFile(Pictures.filePath(QStringLiteral("c.jpg")));
    Window->AddImageFile(a);
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_EQ(Window->Slideshow().Status.State(), TShowState::Showing);
    Window->showMinimized();

    Window->OpenFromCommandLine({{TOpenKind::Picture, b}, {TOpenKind::Picture, c}});
    EXPECT_EQ(Window->ImageList().FileNames(), QStringList({a, b, c}));
    EXPECT_TRUE(Window->isMinimized());
    EXPECT_EQ(Window->statusBar()->currentMessage(),
              QStringLiteral("Another start added 2 pictures to the image list"));
}

// Started with a folder on its command line, the program's browser opens at that folder, whatever folder
// it would open at otherwise. What a later start hands over joins the list and leaves the browser where
// the operator has it.
TEST(CommandLineBrowserTest, TheBrowserOpensAtTheFolderOfThisStartsCommandLine) {
    QDir(testsupport::UserDataFolder()).removeRecursively();
    TFormMain::CheckForUpdateAtStartUp = false;
    QTemporaryDir pictures;
    const QString club = pictures.filePath(QStringLiteral("Club evening"));
    const QString party = pictures.filePath(QStringLiteral("Garden party"));
    const QString handedOver = MakeFile(party + QStringLiteral("/IMG_2112_YellowFlower.jpg"));
    MakeFile(club + QStringLiteral("/IMG_2101_Aqua.jpg"));
    TBrowserLibrary browser;
    ASSERT_TRUE(browser.Load({QStringLiteral(ORVALIS_BIN_DIR "/libBrackwell.so")}));
    {
        TFormMain window(browser);
        ASSERT_NE(BrowserWindow(), nullptr);
        const auto* folder = BrowserWindow()->findChild<QLineEdit*>(QStringLiteral("LineEditFolder"));
        ASSERT_NE(folder, nullptr);
        ASSERT_NE(folder->text(), QDir::toNativeSeparators(club));

        window.OpenBrowserAtCommandLine({{TOpenKind::Folder, club}});
        EXPECT_EQ(folder->text(), QDir::toNativeSeparators(club));
        const auto* files = BrowserWindow()->findChild<QListView*>(QStringLiteral("ListViewFiles"));
        ASSERT_NE(files, nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            const QModelIndex first = files->model()->index(0, 0, files->rootIndex());
            return files->model()->rowCount(files->rootIndex()) == 1 &&
                   first.data().toString() == QStringLiteral("IMG_2101_Aqua.jpg");
        }));

        window.OpenFromCommandLine({{TOpenKind::Picture, handedOver}});
        EXPECT_EQ(window.ImageList().FileNames(), QStringList({handedOver}));
        EXPECT_EQ(folder->text(), QDir::toNativeSeparators(club));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    browser.Release();
}

}  // namespace
