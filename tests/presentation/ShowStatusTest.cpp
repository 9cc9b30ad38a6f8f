#include <gtest/gtest.h>

#include <QSignalSpy>

#include <functional>

#include "ShowStatus.h"
#include "monitors/MonitorFakes.h"

namespace {

using monitorfakes::Monitor;
using monitorfakes::SideBySide;

const TMonitorIdentity Own(QStringLiteral("eDP-1"));
const TMonitorIdentity Projector(QStringLiteral("HDMI-1"), QStringLiteral("EPS"), QStringLiteral("EB-X41"));

// The show starts on the projector, right of the operator's monitor.
void Showing(TShowStatus& status, bool advancing) {
    status.Started(Monitor(Projector, 1920), 2, advancing);
}

struct TReactionCase {
    const char* Name;
    std::function<void(TShowStatus&)> Before;
    QList<TMonitorInfo> After;  // the monitors there after the change
    TMonitorReaction Reaction;
    TShowState State;
    bool Advancing;
};

class MonitorReactionTest : public ::testing::TestWithParam<TReactionCase> {};

TEST_P(MonitorReactionTest, ARemovalAndAReturnDoThisToTheShow) {
    const TReactionCase& c = GetParam();
    TShowStatus status;
    c.Before(status);
    EXPECT_EQ(status.MonitorsChanged(c.After), c.Reaction);
    EXPECT_EQ(status.State(), c.State);
    EXPECT_EQ(status.Advancing(), c.Advancing);
}

const QList<TMonitorInfo> OwnOnly = SideBySide({Own});
const QList<TMonitorInfo> Both = SideBySide({Own, Projector});
const auto Automatic = [](TShowStatus& s) { Showing(s, true); };
const auto Manual = [](TShowStatus& s) { Showing(s, false); };
const auto StoppedShow = [](TShowStatus& s) {
    Showing(s, true);
    s.Stopped();
};
const auto PausedAutomatic = [](TShowStatus& s) {
    Showing(s, true);
    s.MonitorsChanged(OwnOnly);
};
const auto PausedManual = [](TShowStatus& s) {
    Showing(s, false);
    s.MonitorsChanged(OwnOnly);
};
const auto StoppedWhilePaused = [](TShowStatus& s) {
    PausedAutomatic(s);
    s.Stopped();
};
const auto Closed = [](TShowStatus& s) {
    Showing(s, true);
    s.Closed();
};
const auto Idle = [](TShowStatus&) {};

TMonitorInfo Resized(TMonitorInfo monitor) {
    monitor.Geometry.setSize({1280, 720});
    monitor.Pixels = {1280, 720};
    return monitor;
}

using R = TMonitorReaction;
using S = TShowState;

INSTANTIATE_TEST_SUITE_P(
    Table, MonitorReactionTest,
    ::testing::Values(
        TReactionCase{"AutomaticLosesItsMonitor", Automatic, OwnOnly, R::Withdraw, S::Paused, true},
        TReactionCase{"ManualLosesItsMonitor", Manual, OwnOnly, R::Withdraw, S::Paused, false},
        TReactionCase{"StoppedLosesItsMonitor", StoppedShow, OwnOnly, R::Withdraw, S::Paused, false},
        TReactionCase{"AnotherMonitorCame", Automatic, SideBySide({Own, Projector, TMonitorIdentity("DP-1")}),
                      R::Nothing, S::Showing, true},
        TReactionCase{"ItsMonitorMoved", Automatic, SideBySide({Projector, Own}), R::Follow, S::Showing,
                      true},
        TReactionCase{"ItsMonitorResized", Manual, {Both[0], Resized(Both[1])}, R::Follow, S::Showing, false},
        TReactionCase{"PausedAndStillAway", PausedAutomatic, SideBySide({Own, TMonitorIdentity("DP-1")}),
                      R::Nothing, S::Paused, true},
        TReactionCase{"AutomaticReturns", PausedAutomatic, Both, R::Return, S::Showing, true},
        TReactionCase{"ManualReturns", PausedManual, Both, R::Return, S::Showing, false},
        TReactionCase{"ReturnsElsewhereInTheOrder", PausedAutomatic, SideBySide({Projector, Own}), R::Return,
                      S::Showing, true},
        TReactionCase{"StoppedWhileAwayReturnsStopped", StoppedWhilePaused, Both, R::Return, S::Stopped,
                      false},
        TReactionCase{"NoShowIgnoresEverything", Idle, OwnOnly, R::Nothing, S::NoShow, false},
        TReactionCase{"ClosedIgnoresEverything", Closed, OwnOnly, R::Nothing, S::NoShow, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ShowStatusTest, TellsWhatTheAudienceMonitorIsDoing) {
    TShowStatus status;
    EXPECT_EQ(status.Text(), QStringLiteral("No show"));
    Showing(status, true);
    status.Moved(7, 42);
    EXPECT_EQ(status.Text(), QStringLiteral("Showing 7 of 42 on 2 \u2014 HDMI-1"));
    status.MonitorsChanged(OwnOnly);
    EXPECT_EQ(status.Text(), QStringLiteral("Paused: the audience monitor is not connected"));
    // Back first in the order: its number is the new one.
    status.MonitorsChanged(SideBySide({Projector, Own}));
    EXPECT_EQ(status.Text(), QStringLiteral("Showing 7 of 42 on 1 \u2014 HDMI-1"));
    EXPECT_EQ(status.MonitorNumber(), 1);
    EXPECT_EQ(status.Monitor().Geometry.left(), 0);
    status.Moved(0, 41);  // the entry shown left the list
    EXPECT_EQ(status.Text(), QStringLiteral("Showing on 1 \u2014 HDMI-1"));
    status.Stopped();
    EXPECT_EQ(status.Text(), QStringLiteral("Stopped"));
    status.Closed();
    EXPECT_EQ(status.Text(), QStringLiteral("No show"));
}

TEST(ShowStatusTest, SignalsOnlyWhatChanges) {
    TShowStatus status;
    QSignalSpy changed(&status, &TShowStatus::Changed);
    Showing(status, true);
    status.Moved(1, 3);
    EXPECT_EQ(changed.count(), 2);
    status.Moved(1, 3);
    status.MonitorsChanged(Both);
    status.Stopped();
    EXPECT_EQ(changed.count(), 3);
    status.Stopped();
    status.MonitorsChanged(SideBySide({Own, Projector, TMonitorIdentity("DP-1")}));
    EXPECT_EQ(changed.count(), 3);
    status.MonitorsChanged(OwnOnly);
    EXPECT_EQ(changed.count(), 4);
}

// A monitor the system gives neither a name nor a device is known by its bounds.
TEST(ShowStatusTest, AMonitorWithoutIdentityIsKnownByItsBounds) {
    TShowStatus status;
    status.Started(Monitor(TMonitorIdentity(), 1920), 2, true);
    EXPECT_EQ(status.MonitorsChanged(SideBySide({Own, TMonitorIdentity()})), TMonitorReaction::Nothing);
    EXPECT_EQ(status.MonitorsChanged(SideBySide({TMonitorIdentity()})), TMonitorReaction::Withdraw);
    EXPECT_EQ(status.MonitorsChanged(SideBySide({Own, TMonitorIdentity()})), TMonitorReaction::Return);
}

// XWayland names an output again with a new number each time it comes back: while the show waits, a
// monitor of that kind of name at the same place and of the same size is its monitor.
TEST(ShowStatusTest, AMonitorWithoutALastingNameIsKnownAgainByItsPlaceWhileTheShowWaits) {
    const TMonitorIdentity first(QStringLiteral("XWAYLAND0"));
    TShowStatus status;
    status.Started(Monitor(TMonitorIdentity(QStringLiteral("XWAYLAND1")), 1920), 2, true);
    EXPECT_EQ(status.MonitorsChanged(SideBySide({first})), TMonitorReaction::Withdraw);
    // Not at the same place: another monitor.
    EXPECT_EQ(status.MonitorsChanged({Monitor(first), Monitor(TMonitorIdentity("XWAYLAND2"), 1920, 1080)}),
              TMonitorReaction::Nothing);
    EXPECT_EQ(status.MonitorsChanged(SideBySide({first, TMonitorIdentity("XWAYLAND3")})),
              TMonitorReaction::Return);
    EXPECT_EQ(status.Monitor().Identity.Name, QStringLiteral("XWAYLAND3"));
    EXPECT_EQ(status.State(), TShowState::Showing);

    // A lasting name is the monitor's identity: another name at its place is another monitor.
    status.Started(Monitor(Projector, 1920), 2, true);
    status.MonitorsChanged(OwnOnly);
    EXPECT_EQ(status.MonitorsChanged(SideBySide({Own, TMonitorIdentity("HDMI-2")})),
              TMonitorReaction::Nothing);
    EXPECT_EQ(status.State(), TShowState::Paused);
}

// The desktop showed the audience window on another monitor: the show waits for its monitor to go and
// come back, or for the next "Play slideshow", and says why.
TEST(ShowStatusTest, AShowTheDesktopRefusedWaitsForItsMonitorToComeBack) {
    TShowStatus status;
    EXPECT_FALSE(status.Refused());  // no show
    Showing(status, true);
    EXPECT_TRUE(status.Refused());
    EXPECT_EQ(status.State(), TShowState::Paused);
    EXPECT_EQ(status.Text(),
              QStringLiteral("Paused: the desktop did not put the show on monitor 2 — HDMI-1"));
    EXPECT_FALSE(status.Refused());  // already paused
    // Its monitor is there all along: trying again would meet the same refusal.
    EXPECT_EQ(status.MonitorsChanged(SideBySide({Own, Projector, TMonitorIdentity("DP-1")})), R::Nothing);
    EXPECT_EQ(status.State(), TShowState::Paused);
    EXPECT_EQ(status.MonitorsChanged(OwnOnly), R::Nothing);
    EXPECT_EQ(status.Text(), QStringLiteral("Paused: the audience monitor is not connected"));
    EXPECT_EQ(status.MonitorsChanged(Both), R::Return);
    EXPECT_EQ(status.State(), TShowState::Showing);

    status.Stopped();
    EXPECT_TRUE(status.Refused());
    EXPECT_EQ(status.MonitorsChanged(OwnOnly), R::Nothing);
    EXPECT_EQ(status.MonitorsChanged(Both), R::Return);
    EXPECT_EQ(status.State(), TShowState::Stopped);  // as it was
    status.Refused();
    Showing(status, true);  // "Play slideshow" tries again
    EXPECT_FALSE(status.PlacementRefused());
    EXPECT_EQ(status.Text(), QStringLiteral("Showing on 2 — HDMI-1"));
}

}  // namespace
