#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include "FileMaker.h"
#include "Preview.h"
#include "ShowFakes.h"
#include "Slideshow.h"
#include "monitors/MonitorFakes.h"

namespace {

using namespace showfakes;
using monitorfakes::SideBySide;

const TMonitorIdentity Own(QStringLiteral("eDP-1"));
const TMonitorIdentity Projector(QStringLiteral("HDMI-1"));
const TMonitorIdentity Third(QStringLiteral("DP-1"));

// The operator's monitor and a projector right of it, the mouse cursor on the operator's.
class TFakeHost : public TSlideshowHost {
public:
    int Selected = -1;
    QList<TMonitorInfo> Screens = SideBySide({Own, Projector});
    QPoint Cursor{10, 10};
    int Placements = 0;
    QRect PlacedOver;
    bool Activated = false;
    bool Shown = false;
    bool StepButtons = false;
    bool Blank = false;
    int FirstSelected() const override { return Selected; }
    void SelectEntry(int index) override { Selected = index; }
    QList<TMonitorInfo> Monitors() const override { return Screens; }
    QPoint CursorPosition() const override { return Cursor; }
    void ShowPreviewOver(const QRect& bounds, bool activate) override {
        ++Placements;
        PlacedOver = bounds;
        Activated = activate;
        Shown = true;
    }
    void HidePreview() override { Shown = false; }
    void EnableStepButtons() override { StepButtons = true; }
    void BlankPreview(bool blank) override { Blank = blank; }
};

class SlideshowTest : public ::testing::Test {
protected:
    QTemporaryDir Folder;
    TFakeList List;
    TFakeHost Host;
    TRecordingSink Sink;
    TSettingsValues Settings;
    qint64 Now = 0;  // the countdown's clock, in ms
    TShowImage Pipeline{List, [this] { return Settings; }};
    TSlideshow Show{Pipeline, List, Host, Sink, [this] { return Settings; }, [this] { return Now; }};

    // Entry i is a solid picture whose red channel is i + 1.
    void MakeEntries(int count) {
        for (int i = 0; i < count; ++i) {
            List.Names << testsupport::MakeFile(Folder.filePath(QStringLiteral("entry%1.png").arg(i)),
                                                Encoded(Solid(4, 4, QColor(i + 1, 0, 0)), "PNG"));
        }
    }
    // The entries shown so far, in order.
    std::vector<int> ShownEntries() const {
        std::vector<int> entries;
        for (const QImage& picture : Sink.Shown) {
            entries.push_back(picture.pixelColor(0, 0).red() - 1);
        }
        return entries;
    }
};

TEST_F(SlideshowTest, EmptyListDoesNothing) {
    Show.Play();
    EXPECT_EQ(Host.Placements, 0);
    EXPECT_FALSE(Host.StepButtons);
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
    EXPECT_EQ(Host.Selected, -1);
}

TEST_F(SlideshowTest, OneEntryIsShownAndStepsChangeNothing) {
    MakeEntries(1);
    Show.Play();
    Show.Next();
    Show.Previous();
    Show.Tick();
    EXPECT_EQ(ShownEntries(), std::vector<int>{0});
}

TEST_F(SlideshowTest, PlayWithNothingSelectedSelectsAndShowsEntryZeroOnTheChosenDisplay) {
    MakeEntries(3);
    Host.Screens = SideBySide({Own, Projector, Third});
    Settings.Display = 3;
    Show.Play();
    EXPECT_EQ(Host.Selected, 0);
    EXPECT_EQ(Host.Placements, 1);
    EXPECT_EQ(Host.PlacedOver, Host.Screens[2].Geometry);
    EXPECT_TRUE(Host.Activated);
    EXPECT_TRUE(Host.StepButtons);
    EXPECT_EQ(ShownEntries(), std::vector<int>{0});
    EXPECT_EQ(List.Current, List.Names[0]);
    EXPECT_EQ(Show.Status.Text(), QStringLiteral("Showing 1 of 3 on 3 \u2014 DP-1"));
}

// The monitor picked in the settings is found by its name, wherever it now is in the system's order.
TEST_F(SlideshowTest, PlayFindsTheRememberedMonitorAfterTheOrderChanged) {
    MakeEntries(1);
    Settings.Display = 2;
    Settings.DisplayMonitor = Projector;
    Host.Screens = SideBySide({Projector, Third, Own});
    Host.Cursor = Host.Screens[2].Geometry.center();
    Show.Play();
    EXPECT_EQ(Host.PlacedOver, Host.Screens[0].Geometry);
    EXPECT_EQ(Show.Status.MonitorNumber(), 1);
}

struct TAdvanceCase {
    const char* Name;
    bool Automatic;
    bool Manual;
    bool RunningBefore;
    bool RunningAfter;
};

class SlideshowAdvanceTest : public SlideshowTest, public ::testing::WithParamInterface<TAdvanceCase> {};

TEST_P(SlideshowAdvanceTest, TimerFollowsTheAdvanceSettingsReadAtPlay) {
    const TAdvanceCase& c = GetParam();
    MakeEntries(2);
    Settings.SlideshowInterval = 7;
    Settings.AutomaticAdvance = c.Automatic;
    Settings.ManualAdvance = c.Manual;
    if (c.RunningBefore) {
        Show.TimerSlideShow.start(5000);
    }
    Show.Play();
    EXPECT_EQ(Show.TimerSlideShow.isActive(), c.RunningAfter);
    if (c.Automatic && c.RunningAfter) {
        EXPECT_EQ(Show.TimerSlideShow.interval(), 7000);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SlideshowAdvanceTest,
                         ::testing::Values(TAdvanceCase{"Automatic", true, false, false, true},
                                           TAdvanceCase{"Manual", false, true, true, false},
                                           TAdvanceCase{"NeitherKeepsStopped", false, false, false, false},
                                           TAdvanceCase{"NeitherKeepsRunning", false, false, true, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SlideshowTest, AutomaticAdvanceRunsRoundTheList) {
    MakeEntries(3);
    Settings.SlideshowInterval = 1;
    Show.Play();
    ASSERT_EQ(Show.TimerSlideShow.interval(), 1000);
    Show.TimerSlideShow.setInterval(5);  // the same ticks, sooner
    ASSERT_TRUE(QTest::qWaitFor([&] { return Sink.Shown.size() >= 5; }, 5000));
    Show.Stop();
    const std::vector<int> shown = ShownEntries();
    EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 5), (std::vector<int>{0, 1, 2, 0, 1}));
}

TEST_F(SlideshowTest, ManualStepsWrapBothWays) {
    MakeEntries(3);
    Settings.AutomaticAdvance = false;
    Settings.ManualAdvance = true;
    Show.Play();
    Show.Previous();
    Show.Next();
    Show.Next();
    Show.Next();
    EXPECT_EQ(ShownEntries(), (std::vector<int>{0, 2, 0, 1, 2}));
}

TEST_F(SlideshowTest, StopThenPlayRestartsFromTheSelection) {
    MakeEntries(3);
    Host.Selected = 1;
    Show.Play();
    Show.Next();
    Show.Stop();
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
    EXPECT_TRUE(Host.StepButtons);
    Show.Play();
    EXPECT_EQ(ShownEntries(), (std::vector<int>{1, 2, 1}));
    EXPECT_TRUE(Show.TimerSlideShow.isActive());
}

// The projector is unplugged during an automatic show and plugged in again: the window hides and the
// advance pauses, then the window covers the projector again with the picture it had and the advance goes
// on at its interval.
TEST_F(SlideshowTest, AnAutomaticShowPausesWhileItsMonitorIsAway) {
    MakeEntries(3);
    Settings.SlideshowInterval = 7;
    Show.Play();
    Show.Next();
    ASSERT_TRUE(Show.TimerSlideShow.isActive());
    const QRect projector = Host.PlacedOver;

    Show.MonitorsChanged(SideBySide({Own}));
    EXPECT_FALSE(Host.Shown);
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
    EXPECT_EQ(Show.Status.State(), TShowState::Paused);

    Show.MonitorsChanged(SideBySide({Own, Projector}));
    EXPECT_TRUE(Host.Shown);
    EXPECT_EQ(Host.PlacedOver, projector);
    EXPECT_FALSE(Host.Activated);  // the operator keeps the keyboard
    EXPECT_TRUE(Show.TimerSlideShow.isActive());
    EXPECT_EQ(Show.TimerSlideShow.interval(), 7000);
    EXPECT_EQ(ShownEntries(), (std::vector<int>{0, 1}));  // nothing decoded again
    EXPECT_EQ(Show.Status.Text(), QStringLiteral("Showing 2 of 3 on 2 \u2014 HDMI-1"));
}

TEST_F(SlideshowTest, AShowStoppedWhileItsMonitorIsAwayReturnsStopped) {
    MakeEntries(2);
    Show.Play();
    Show.MonitorsChanged(SideBySide({Own}));
    Show.Stop();
    Show.MonitorsChanged(SideBySide({Own, Projector}));
    EXPECT_TRUE(Host.Shown);
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
    EXPECT_EQ(Show.Status.State(), TShowState::Stopped);
}

// "Play slideshow" while the projector is away chooses among the monitors that are there.
TEST_F(SlideshowTest, PlayWhileTheMonitorIsAwayChoosesAmongThoseThere) {
    MakeEntries(2);
    Show.Play();
    Host.Screens = SideBySide({Own, Third});
    Show.MonitorsChanged(Host.Screens);
    Show.Play();
    EXPECT_EQ(Host.PlacedOver, Host.Screens[1].Geometry);
    EXPECT_EQ(Show.Status.State(), TShowState::Showing);
    EXPECT_EQ(Show.Status.Monitor().Identity, Third);
    // The projector returning later changes nothing.
    const int placements = Host.Placements;
    Show.MonitorsChanged(SideBySide({Own, Third, Projector}));
    EXPECT_EQ(Host.Placements, placements);
}

TEST_F(SlideshowTest, TheWindowFollowsItsMonitorsNewBounds) {
    MakeEntries(1);
    Show.Play();
    QList<TMonitorInfo> resized = Host.Screens;
    resized[1].Geometry = QRect(1920, 0, 1280, 720);
    Show.MonitorsChanged(resized);
    EXPECT_EQ(Host.PlacedOver, QRect(1920, 0, 1280, 720));
    EXPECT_EQ(Host.Placements, 2);
    EXPECT_EQ(ShownEntries(), std::vector<int>{0});
}

TEST_F(SlideshowTest, TheStatusFollowsTheStepsTheListAndTheWindow) {
    MakeEntries(3);
    Show.Play();
    Show.Previous();
    EXPECT_EQ(Show.Status.Position(), 3);
    List.Names.removeFirst();
    Show.ListChanged();
    EXPECT_EQ(Show.Status.Text(), QStringLiteral("Showing 2 of 2 on 2 \u2014 HDMI-1"));
    Show.Stop();
    EXPECT_EQ(Show.Status.Text(), QStringLiteral("Stopped"));
    Show.PreviewClosed();
    EXPECT_EQ(Show.Status.Text(), QStringLiteral("No show"));
}

TEST_F(SlideshowTest, HoldingTheAdvanceKeepsTheTimeLeftAndTheShow) {
    MakeEntries(3);
    Settings.SlideshowInterval = 10;
    Show.Play();
    ASSERT_EQ(Show.Countdown.Remaining(), 10'000);
    Now += 4'000;
    Show.Key(TShowKey::Pause);
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
    EXPECT_TRUE(Show.Status.Held());
    EXPECT_EQ(Show.Status.State(), TShowState::Showing);
    EXPECT_EQ(Show.Status.Text(), QStringLiteral("Showing 1 of 3 on 2 \u2014 HDMI-1, advance held"));
    Now += 30'000;
    Show.Key(TShowKey::Next);  // the operator still steps while the advance is held
    EXPECT_EQ(ShownEntries(), (std::vector<int>{0, 1}));
    EXPECT_EQ(Show.Countdown.Remaining(), 6'000);

    Show.Key(TShowKey::Pause);
    EXPECT_FALSE(Show.Status.Held());
    ASSERT_TRUE(Show.TimerSlideShow.isActive());
    // The timer goes on with the time that was left, and the whole interval after its next tick.
    EXPECT_EQ(Show.TimerSlideShow.interval(), 6'000);
    Now += 6'000;
    Show.Tick();
    EXPECT_EQ(Show.TimerSlideShow.interval(), 10'000);
    EXPECT_EQ(Show.Countdown.Remaining(), 10'000);
    EXPECT_EQ(ShownEntries(), (std::vector<int>{0, 1, 2}));
}

TEST_F(SlideshowTest, HoldIsOnlyForAnAdvancingShow) {
    MakeEntries(2);
    Settings.AutomaticAdvance = false;
    Settings.ManualAdvance = true;
    Show.Key(TShowKey::Pause);  // no show
    EXPECT_FALSE(Show.Status.Held());
    Show.Play();
    Show.Key(TShowKey::Pause);  // manual advance
    EXPECT_FALSE(Show.Status.Held());
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
}

TEST_F(SlideshowTest, AHeldShowStaysHeldWhenItsMonitorReturns) {
    MakeEntries(2);
    Show.Play();
    Show.ToggleHold();
    Show.MonitorsChanged(SideBySide({Own}));
    Show.MonitorsChanged(SideBySide({Own, Projector}));
    EXPECT_EQ(Show.Status.State(), TShowState::Showing);
    EXPECT_TRUE(Show.Status.Held());
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
}

TEST_F(SlideshowTest, BlankTurnsTheAudienceMonitorBlackAndBackUntilTheShowEnds) {
    MakeEntries(2);
    Show.Key(TShowKey::Blank);  // no show: nothing to blank
    EXPECT_FALSE(Host.Blank);
    Show.Play();
    Show.Key(TShowKey::Blank);
    EXPECT_TRUE(Host.Blank);
    EXPECT_TRUE(Show.Status.Blank());
    EXPECT_EQ(Show.Status.Text(),
              QStringLiteral("Showing 1 of 2 on 2 \u2014 HDMI-1, audience monitor blank, advance held"));
    Show.Key(TShowKey::Blank);
    EXPECT_FALSE(Host.Blank);
    Show.Key(TShowKey::Blank);
    Show.PreviewClosed();
    EXPECT_FALSE(Show.Status.Blank());
    Show.Play();  // a new show starts unblanked
    EXPECT_FALSE(Host.Blank);
}

// Nothing steps unseen: while the audience monitor is blank the automatic advance waits with the time it
// had left, as held, and goes on from there when the picture is back. Held by "P" as well, it waits for
// both; blanked while its monitor is away, it waits once the monitor is back.
TEST_F(SlideshowTest, ABlankAudienceMonitorHoldsTheAdvance) {
    MakeEntries(3);
    Settings.SlideshowInterval = 10;
    Show.Play();
    Now += 4'000;
    Show.Key(TShowKey::Blank);
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
    EXPECT_TRUE(Show.Countdown.Paused());
    EXPECT_TRUE(Show.Status.AdvanceWaits());
    EXPECT_FALSE(Show.Status.Held());  // the operator's "P" is not pressed
    EXPECT_EQ(Show.Status.Text(),
              QStringLiteral("Showing 1 of 3 on 2 \u2014 HDMI-1, audience monitor blank, advance held"));
    Now += 30'000;
    Show.Key(TShowKey::Blank);
    ASSERT_TRUE(Show.TimerSlideShow.isActive());
    EXPECT_EQ(Show.TimerSlideShow.interval(), 6'000);
    EXPECT_EQ(ShownEntries(), (std::vector<int>{0}));

    struct TStep {
        TShowKey Key;
        bool Advancing;  // the timer runs after it
    };
    for (const TStep& step : {TStep{TShowKey::Pause, false}, TStep{TShowKey::Blank, false},
                              TStep{TShowKey::Pause, false}, TStep{TShowKey::Blank, true},
                              TStep{TShowKey::Blank, false}, TStep{TShowKey::Pause, false},
                              TStep{TShowKey::Blank, false}, TStep{TShowKey::Pause, true}}) {
        Show.Key(step.Key);
        EXPECT_EQ(Show.TimerSlideShow.isActive(), step.Advancing);
    }

    Show.Key(TShowKey::Blank);
    Show.MonitorsChanged(SideBySide({Own}));
    Show.MonitorsChanged(SideBySide({Own, Projector}));
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
    Show.Key(TShowKey::Blank);
    EXPECT_TRUE(Show.TimerSlideShow.isActive());
    Show.MonitorsChanged(SideBySide({Own}));
    Show.Key(TShowKey::Blank);  // while it is away
    Show.MonitorsChanged(SideBySide({Own, Projector}));
    EXPECT_FALSE(Show.TimerSlideShow.isActive());
    Show.Key(TShowKey::Blank);
    EXPECT_TRUE(Show.TimerSlideShow.isActive());
    EXPECT_EQ(Show.TimerSlideShow.interval(), 10'000);
}

TEST_F(SlideshowTest, HomeAndEndJumpToTheFirstAndLastEntry) {
    MakeEntries(4);
    Host.Selected = 1;
    Show.Play();
    Show.Key(TShowKey::Last);
    EXPECT_EQ(Show.Status.Position(), 4);
    Show.Key(TShowKey::First);
    EXPECT_EQ(Show.Status.Position(), 1);
    Show.Key(TShowKey::Previous);
    Show.ShowEntry(2);
    EXPECT_EQ(ShownEntries(), (std::vector<int>{1, 3, 0, 3, 2}));
}

TEST(SlideshowWindowTest, EscapeStopsTheTimerHidesTheWindowAndKeepsTheStepButtons) {
    QTemporaryDir folder;
    TFakeList list;
    list.Names << testsupport::MakeFile(folder.filePath("a.png"), Encoded(Solid(4, 4, Qt::red), "PNG"))
               << testsupport::MakeFile(folder.filePath("b.png"), Encoded(Solid(4, 4, Qt::blue), "PNG"));
    TFakeHost host;
    TFormPreview window;
    TSettingsValues settings;
    TShowImage pipeline(list, [&] { return settings; });
    TSlideshow show(pipeline, list, host, window, [&] { return settings; });
    window.StopSlideshow = [&] { show.Stop(); };
    window.NextImage = [&](TFormPreview&) { show.Next(); };

    show.Play();
    window.show();
    ASSERT_TRUE(show.TimerSlideShow.isActive());
    QTest::mouseClick(window.ImgView32Preview, Qt::LeftButton);
    EXPECT_EQ(list.Current, list.Names[1]);
    EXPECT_EQ(window.ImgView32Preview->Picture().pixelColor(0, 0), QColor(Qt::blue));

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &escape);
    EXPECT_FALSE(show.TimerSlideShow.isActive());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(host.StepButtons);
    show.Next();  // the step buttons still draw into the hidden window
    EXPECT_EQ(list.Current, list.Names[0]);
}

}  // namespace
