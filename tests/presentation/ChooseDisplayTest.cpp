#include <gtest/gtest.h>

#include "ChooseDisplay.h"
#include "monitors/MonitorFakes.h"

namespace {

struct TDisplayCase {
    const char* Name;
    QList<QRect> Monitors;
    QPoint Cursor;
    int Choice;
    int Expected;
};

class ChooseDisplayTest : public ::testing::TestWithParam<TDisplayCase> {};

TEST_P(ChooseDisplayTest, PicksTheAudienceMonitor) {
    const TDisplayCase& c = GetParam();
    EXPECT_EQ(ChooseDisplay(c.Monitors, c.Cursor, c.Choice), c.Expected);
}

const QRect M0(0, 0, 1920, 1080), M1(1920, 0, 1920, 1080), M2(3840, 0, 1280, 1024);

INSTANTIATE_TEST_SUITE_P(
    Table, ChooseDisplayTest,
    ::testing::Values(TDisplayCase{"NoMonitor", {}, {10, 10}, 0, -1},
                      TDisplayCase{"OneMonitorIsUsedItself", {M0}, {10, 10}, 0, 0},
                      TDisplayCase{"TwoCursorOnFirst", {M0, M1}, {10, 10}, 0, 1},
                      TDisplayCase{"TwoCursorOnSecond", {M0, M1}, {2000, 500}, 0, 0},
                      TDisplayCase{"ThreeCursorOnFirst", {M0, M1, M2}, {10, 10}, 0, 1},
                      TDisplayCase{"ThreeWithChoice3", {M0, M1, M2}, {10, 10}, 3, 2},
                      TDisplayCase{"ChoiceOfOwnMonitor", {M0, M1}, {10, 10}, 1, 0},
                      TDisplayCase{"Choice3WithTwoIsAutomatic", {M0, M1}, {10, 10}, 3, 1},
                      TDisplayCase{"NoEntrySelectedIsAutomatic", {M0, M1}, {2000, 10}, -1, 0},
                      TDisplayCase{"CursorOffEveryMonitorTakesNearest", {M0, M1}, {5000, 2000}, 0, 0},
                      TDisplayCase{"CursorLeftOfEveryMonitor", {M1, M0}, {-50, 10}, 0, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TRememberedCase {
    const char* Name;
    QList<TMonitorIdentity> Monitors;
    int Choice;
    TMonitorIdentity Remembered;
    int Expected;
};

class ChooseMonitorTest : public ::testing::TestWithParam<TRememberedCase> {};

// The cursor is on the first monitor throughout.
TEST_P(ChooseMonitorTest, TheRememberedMonitorGoesBeforeTheIndex) {
    const TRememberedCase& c = GetParam();
    EXPECT_EQ(ChooseMonitor(monitorfakes::SideBySide(c.Monitors), {10, 10}, c.Choice, c.Remembered),
              c.Expected);
}

const TMonitorIdentity A(QStringLiteral("DP-1")), B(QStringLiteral("HDMI-1")), C(QStringLiteral("DP-2"));

INSTANTIATE_TEST_SUITE_P(
    Table, ChooseMonitorTest,
    ::testing::Values(TRememberedCase{"PresentInItsPlace", {A, B, C}, 2, B, 1},
                      TRememberedCase{"OrderChanged", {B, A, C}, 2, B, 0},
                      TRememberedCase{
                          "AbsentIsAutomaticNotTheIndex", {A, C, TMonitorIdentity("DP-3")}, 3, B, 1},
                      TRememberedCase{"AbsentWithNoEntrySelected", {A, C}, -1, B, 1},
                      TRememberedCase{"NoneRememberedTakesTheIndex", {A, B, C}, 3, TMonitorIdentity(), 2},
                      TRememberedCase{"NoneRememberedAutomatic", {A, B, C}, 0, TMonitorIdentity(), 1}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
