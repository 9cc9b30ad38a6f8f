// The slideshow on a desktop of three monitors (the offscreen platform configured by ThreeScreens.json,
// which CTest passes in QT_QPA_PLATFORM): "Play slideshow" in the main window puts the shared preview
// window over the chosen monitor with the selected picture fitted on black, and the show steps on. The
// audience window stays with its monitor when monitors are unplugged, plugged in and changed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <memory>

#include "BrowserLibrary.h"
#include "BusyCursor.h"
#include "IniFile.h"
#include "OffscreenScreens.h"
#include "Preview.h"
#include "Settings.h"
#include "ShowOnScreens.h"
#include "SpecialFolders.h"
#include "TempHome.h"
#include "UnitMain.h"

namespace {

using testsupport::OffscreenScreen;
using testsupport::SetOffscreenScreens;
using testsupport::WithoutScreen;

class ScreensSlideshowTest : public ShowOnScreensTest {
protected:
    void SetUp() override {
        // A landscape picture and a portrait one, red and blue.
        MakeWindow(3, "ThreeScreens.json",
                   {{"wide.png", Solid(400, 300, Qt::red)}, {"tall.png", Solid(300, 400, Qt::blue)}});
        Window->show();
    }
    void UseSettings(int display, bool automatic = false) {
        ShowOnScreensTest::UseSettings(automatic, [&](TIniFile& settings) {
            settings.WriteInteger(QStringLiteral("Display"), QStringLiteral("Use"), display);
        });
    }
    static QRect Monitor(int index) { return QGuiApplication::screens().at(index)->geometry(); }
    // The preview window as the audience sees it.
    static QImage Audience() { return FormPreview->grab().toImage(); }
    QString Status() const { return Window->LabelShowStatus->text(); }
};

TEST_F(ScreensSlideshowTest, PlayCoversTheChosenMonitor) {
    struct Case {
        int CursorOn;  // the operator's monitor
        int Display;   // 0 "Auto detect", k the k-th monitor
        int Expected;
    };
    for (const Case& c : {Case{0, 0, 1}, Case{1, 0, 0}, Case{2, 0, 0}, Case{0, 3, 2}, Case{2, 1, 0}}) {
        SCOPED_TRACE(testing::Message() << "cursor on " << c.CursorOn << ", display " << c.Display);
        QCursor::setPos(Monitor(c.CursorOn).center());
        UseSettings(c.Display);
        Window->ToolButtonPlaySlideshow->click();
        EXPECT_TRUE(FormPreview->isVisible());
        EXPECT_EQ(FormPreview->geometry(), Monitor(c.Expected));
        EXPECT_TRUE(Window->isVisible());
    }
}

TEST_F(ScreensSlideshowTest, ThePictureIsFittedOnBlackAndTheStepsWrapRound) {
    QCursor::setPos(Monitor(0).center());
    UseSettings(0);
    EXPECT_FALSE(Window->ToolButtonSlideshowNext->isEnabled());
    EXPECT_FALSE(Window->ToolButtonSlideshowPrevious->isEnabled());
    Window->ToolButtonPlaySlideshow->click();  // nothing selected: the first entry
    ASSERT_EQ(FormPreview->geometry(), Monitor(1));
    EXPECT_TRUE(Window->ToolButtonSlideshowNext->isEnabled());
    EXPECT_TRUE(Window->ToolButtonSlideshowPrevious->isEnabled());

    // 400 x 300 on 1920 x 1080: 1440 x 1080 in the middle, black bars left and right.
    QImage shown = Audience();
    ASSERT_EQ(shown.size(), QSize(1920, 1080));
    EXPECT_EQ(FormPreview->ImgView32Preview->FittedRect(), QRect(240, 0, 1440, 1080));
    EXPECT_EQ(shown.pixelColor(100, 540), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(960, 540), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(1800, 540), QColor(Qt::black));

    Window->ToolButtonSlideshowNextClick();
    EXPECT_EQ(FormPreview->ImgView32Preview->FittedRect(), QRect(555, 0, 810, 1080));
    EXPECT_EQ(Audience().pixelColor(960, 540), QColor(Qt::blue));
    Window->ToolButtonSlideshowNext->click();  // round to the first
    EXPECT_EQ(Audience().pixelColor(960, 540), QColor(Qt::red));
    Window->ToolButtonSlideshowPrevious->click();  // back past the start to the last
    EXPECT_EQ(Audience().pixelColor(960, 540), QColor(Qt::blue));

    // Escape gives the monitor back; the step buttons stay.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(FormPreview, &escape);
    EXPECT_FALSE(FormPreview->isVisible());
    EXPECT_TRUE(Window->ToolButtonSlideshowNext->isEnabled());
    EXPECT_EQ(Status(), QStringLiteral("No show"));
    // Monitors that come and go then move nothing.
    SetOffscreenScreens(WithoutScreen(Original, QStringLiteral("middle")));
    SetOffscreenScreens(Original);
    EXPECT_FALSE(FormPreview->isVisible());
}

// The projector is unplugged during an automatic show: the audience window hides instead of landing on
// another monitor, the main window says so and the advance pauses. Plugged in again (now last in the
// system's order), it shows the same picture full-screen and the show goes on.
TEST_F(ScreensSlideshowTest, TheShowWaitsHiddenForItsMonitorAndGoesOnThere) {
    QCursor::setPos(Monitor(0).center());
    UseSettings(0, true);
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_EQ(FormPreview->geometry(), Monitor(1));
    const QRect middle = Monitor(1);
    EXPECT_EQ(Status(), QStringLiteral("Showing 1 of 2 on 2 \u2014 middle"));

    SetOffscreenScreens(WithoutScreen(Original, QStringLiteral("middle")));
    EXPECT_FALSE(FormPreview->isVisible());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_FALSE(Window->Slideshow().TimerSlideShow.isActive());
    EXPECT_EQ(Status(), QStringLiteral("Paused: the audience monitor is not connected"));

    SetOffscreenScreens(Original);
    ASSERT_EQ(Monitor(2), middle);
    EXPECT_TRUE(FormPreview->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return FormPreview->geometry() == middle; }));
    EXPECT_EQ(Audience().pixelColor(960, 540), QColor(Qt::red));
    EXPECT_TRUE(Window->Slideshow().TimerSlideShow.isActive());
    EXPECT_EQ(Status(), QStringLiteral("Showing 1 of 2 on 3 \u2014 middle"));
}

// A desktop that shows the audience window on another monitor than the one it was given (a tiling
// desktop under XWayland ignores the positions of X11 windows): the window goes instead of covering the
// operator's monitor, the show waits and says why, and "Play slideshow" tries again.
TEST_F(ScreensSlideshowTest, AWindowTheDesktopPutsElsewhereGoesAndTheShowSaysSo) {
    QCursor::setPos(Monitor(0).center());
    UseSettings(0, true);
    FormPreview->Placement.SettleTimer.setInterval(0);
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_EQ(FormPreview->geometry(), Monitor(1));
    EXPECT_EQ(FormPreview->screen(), QGuiApplication::screens().at(1));
    QTest::qWait(20);
    EXPECT_TRUE(FormPreview->isVisible());  // where it belongs

    FormPreview->windowHandle()->setGeometry(QRect(Monitor(0).topLeft(), QSize(960, 1080)));
    EXPECT_TRUE(QTest::qWaitFor([] { return !FormPreview->isVisible(); }));
    EXPECT_TRUE(Window->isVisible());
    EXPECT_FALSE(Window->Slideshow().TimerSlideShow.isActive());
    EXPECT_EQ(Status(),
              QStringLiteral("Paused: the desktop did not put the show on monitor 2 \u2014 middle"));

    Window->ToolButtonPlaySlideshow->click();
    EXPECT_TRUE(FormPreview->isVisible());
    EXPECT_EQ(FormPreview->geometry(), Monitor(1));
    EXPECT_TRUE(Window->Slideshow().TimerSlideShow.isActive());
    EXPECT_EQ(Status(), QStringLiteral("Showing 1 of 2 on 2 \u2014 middle"));
}

// The projector comes back while the operator types in the main window: the keyboard stays there, so
// that a typed "b" or Escape never reaches the show.
TEST_F(ScreensSlideshowTest, AReturningMonitorLeavesTheKeyboardWhereItWas) {
    QCursor::setPos(Monitor(0).center());
    UseSettings(0, true);
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_TRUE(FormPreview->isVisible());
    Window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));

    SetOffscreenScreens(WithoutScreen(Original, QStringLiteral("middle")));
    SetOffscreenScreens(Original);
    ASSERT_TRUE(QTest::qWaitFor([] { return FormPreview->isVisible(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), Window.get());
    EXPECT_TRUE(FormPreview->testAttribute(Qt::WA_ShowWithoutActivating));
}

// The pointer left over the audience window hides once it rests, shows again when it moves, and the busy
// cursor of a decode never shows there.
TEST_F(ScreensSlideshowTest, ThePointerHidesOverTheAudienceWindowWhenItRests) {
    QCursor::setPos(Monitor(0).center());
    UseSettings(0);
    FormPreview->PointerRest.setInterval(20);
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_TRUE(FormPreview->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([] { return FormPreview->cursor().shape() == Qt::BlankCursor; }));

    QMouseEvent move(QEvent::MouseMove, QPointF(50, 50), QPointF(Monitor(1).topLeft() + QPoint(50, 50)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(FormPreview->ImgView32Preview, &move);
    EXPECT_EQ(FormPreview->cursor().shape(), Qt::ArrowCursor);
    {
        TBusyCursor busy;
        EXPECT_EQ(FormPreview->cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(Window->cursor().shape(), Qt::WaitCursor);
    }
    EXPECT_TRUE(QTest::qWaitFor([] { return FormPreview->cursor().shape() == Qt::BlankCursor; }));
}

// The projector's resolution is switched during a show: the window covers it exactly and the picture is
// fitted once for the new size.
TEST_F(ScreensSlideshowTest, TheWindowFollowsItsMonitorsNewSizeWithOneRefit) {
    QCursor::setPos(Monitor(0).center());
    UseSettings(0);
    Window->ToolButtonPlaySlideshow->click();
    ASSERT_EQ(FormPreview->geometry(), Monitor(1));
    int resamples = 0;
    TPictureSurface& surface = *FormPreview->ImgView32Preview;
    surface.Resample = [&, resample = surface.Resample](const QImage& picture, int width, int height,
                                                        bool turnedAfter) {
        ++resamples;
        return resample(picture, width, height, turnedAfter);
    };

    QJsonArray screens = WithoutScreen(Original, QStringLiteral("middle"));
    screens.append(OffscreenScreen(QStringLiteral("middle"), 1280, 0, 1280, 720));
    SetOffscreenScreens(screens);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FormPreview->geometry() == QRect(1280, 0, 1280, 720); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(resamples, 1);
    EXPECT_EQ(surface.FittedRect(), QRect(160, 0, 960, 720));  // 400 x 300 fitted into 1280 x 720
    EXPECT_EQ(Audience().pixelColor(640, 360), QColor(Qt::red));
    EXPECT_EQ(Status(), QStringLiteral("Showing 1 of 2 on 2 \u2014 middle"));
}

// A projector plugged in while no show runs: nothing moves, and the next "Play slideshow" (with "Auto
// detect") uses it.
TEST_F(ScreensSlideshowTest, AMonitorPluggedInWithoutAShowMovesNothingAndIsUsedNext) {
    QCursor::setPos(Monitor(0).center());
    UseSettings(0);
    QJsonArray screens =
        WithoutScreen(WithoutScreen(Original, QStringLiteral("middle")), QStringLiteral("right"));
    SetOffscreenScreens(screens);
    const QRect main = Window->geometry();
    screens.append(OffscreenScreen(QStringLiteral("projector"), 1280, 0, 1024, 768));
    SetOffscreenScreens(screens);
    EXPECT_FALSE(FormPreview->isVisible());
    EXPECT_EQ(Window->geometry(), main);
    EXPECT_EQ(Status(), QStringLiteral("No show"));

    Window->ToolButtonPlaySlideshow->click();
    EXPECT_EQ(FormPreview->geometry(), QRect(1280, 0, 1024, 768));
    EXPECT_EQ(Status(), QStringLiteral("Showing 1 of 2 on 2 \u2014 projector"));
}

}  // namespace
