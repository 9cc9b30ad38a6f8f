#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include "FileMaker.h"
#include "Preview.h"
#include "ShowFakes.h"
#include "Slideshow.h"

namespace {

using namespace showfakes;

class TFakeHost : public TSlideshowHost {
public:
    int Selected = -1;
    int Placements = 0;
    int PlacedOn = -2;
    bool StepButtons = false;
    int FirstSelected() const override { return Selected; }
    void SelectEntry(int index) override { Selected = index; }
    void ShowPreviewOn(int displayChoice) override {
        ++Placements;
        PlacedOn = displayChoice;
    }
    void EnableStepButtons() override { StepButtons = true; }
};

class SlideshowTest : public ::testing::Test {
protected:
    QTemporaryDir Folder;
    TFakeList List;
    TFakeHost Host;
    TRecordingSink Sink;
    TSettingsValues Settings;
    TShowImage Pipeline{List, [this] { return Settings; }};
    TSlideshow Show{Pipeline, List, Host, Sink, [this] { return Settings; }};

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
    Settings.Display = 2;
    Show.Play();
    EXPECT_EQ(Host.Selected, 0);
    EXPECT_EQ(Host.Placements, 1);
    EXPECT_EQ(Host.PlacedOn, 2);
    EXPECT_TRUE(Host.StepButtons);
    EXPECT_EQ(ShownEntries(), std::vector<int>{0});
    EXPECT_EQ(List.Current, List.Names[0]);
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
