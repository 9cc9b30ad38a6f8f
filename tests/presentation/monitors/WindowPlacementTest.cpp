// How a window is put on a monitor on each kind of platform, and the watch that tells when the desktop
// put it elsewhere (the offscreen platform configured with two monitors by TwoMonitors.json, which CTest
// passes in QT_QPA_PLATFORM).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "monitors/WindowPlacement.h"

namespace {

const QRect Projector(1920, 0, 1280, 720);
const TPlatformTraits X11 = PlatformTraits(QStringLiteral("xcb"));
const TPlatformTraits Wayland = PlatformTraits(QStringLiteral("wayland"));

TEST(WindowPlacementTest, ACoveringWindowIsFullScreenOverItsMonitorEverywhere) {
    EXPECT_EQ(CoveringPlacement(Projector), (TWindowPlacement{Projector, true}));
    // In the middle where windows are placed, at most half the monitor each way; where they are not,
    // covering it is the only way onto that monitor.
    EXPECT_EQ(CentredPlacement(X11, Projector, {560, 360}), (TWindowPlacement{{2280, 180, 560, 360}, false}));
    EXPECT_EQ(CentredPlacement(X11, QRect(0, 0, 800, 600), {560, 360}),
              (TWindowPlacement{{200, 150, 400, 300}, false}));
    EXPECT_EQ(CentredPlacement(Wayland, Projector, {560, 360}), (TWindowPlacement{Projector, true}));
}

TEST(WindowPlacementTest, OnlyAWindowShownOnAnotherMonitorIsMisplaced) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "run through CTest, which starts this test with two offscreen monitors";
    QWidget window;
    TPlacementWatch watch;
    watch.SettleTimer.setInterval(0);
    QSignalSpy misplaced(&watch, &TPlacementWatch::Misplaced);

    ShowPlaced(window, screens[1], CoveringPlacement(screens[1]->geometry()));
    EXPECT_EQ(window.geometry(), screens[1]->geometry());
    EXPECT_EQ(window.screen(), screens[1]);
    watch.Watch(window, screens[1]);
    QTest::qWait(20);
    EXPECT_EQ(misplaced.count(), 0);

    // The desktop moves it to the other monitor.
    window.windowHandle()->setGeometry(QRect(screens[0]->geometry().topLeft(), QSize(640, 480)));
    EXPECT_TRUE(misplaced.wait(1000));

    // Hidden, or no longer watched, it is judged no more.
    watch.Watch(window, screens[1]);
    window.hide();
    QTest::qWait(20);
    watch.Stop();
    window.show();
    QTest::qWait(20);
    EXPECT_EQ(misplaced.count(), 1);
}

}  // namespace
