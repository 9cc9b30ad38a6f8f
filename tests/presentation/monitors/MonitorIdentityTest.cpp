#include <gtest/gtest.h>

#include "MonitorFakes.h"
#include "monitors/MonitorIdentity.h"

namespace {

using monitorfakes::SideBySide;

struct TFindCase {
    const char* Name;
    QList<TMonitorIdentity> Monitors;
    TMonitorIdentity Remembered;
    int Expected;
};

class FindMonitorTest : public ::testing::TestWithParam<TFindCase> {};

TEST_P(FindMonitorTest, FindsTheRememberedMonitor) {
    const TFindCase& c = GetParam();
    EXPECT_EQ(FindMonitor(SideBySide(c.Monitors), c.Remembered), c.Expected);
}

const TMonitorIdentity Laptop(QStringLiteral("eDP-1"), QStringLiteral("BOE"), QStringLiteral("0x0a1c"));
const TMonitorIdentity Projector(QStringLiteral("HDMI-1"), QStringLiteral("EPS"), QStringLiteral("EB-X41"),
                                 QStringLiteral("X4K1234"));
const TMonitorIdentity Left(QStringLiteral("DP-1"), QStringLiteral("DEL"), QStringLiteral("U2415"),
                            QStringLiteral("7MT0"));
const TMonitorIdentity Right(QStringLiteral("DP-2"), QStringLiteral("DEL"), QStringLiteral("U2415"),
                             QStringLiteral("7MT0"));  // the same model, reporting the same serial number
const TMonitorIdentity OtherProjector(QStringLiteral("HDMI-1"), QStringLiteral("BNQ"),
                                      QStringLiteral("MW560"));
const TMonitorIdentity Nameless(QString(), QStringLiteral("EPS"), QStringLiteral("EB-X41"));

INSTANTIATE_TEST_SUITE_P(
    Table, FindMonitorTest,
    ::testing::Values(
        TFindCase{"Present", {Laptop, Projector}, Projector, 1},
        TFindCase{"OrderChanged", {Projector, Laptop}, Projector, 0},
        TFindCase{"Absent", {Laptop}, Projector, -1},
        TFindCase{"SameModelToldApartByName", {Left, Right}, Right, 1},
        TFindCase{"SameModelTheNamedOneAbsent", {Left, Laptop}, Right, -1},
        TFindCase{"AnotherDeviceOnTheSameConnector", {Laptop, OtherProjector}, Projector, 1},
        TFindCase{"TheSameDeviceFirstAmongEqualNames", {OtherProjector, Projector}, Projector, 1},
        TFindCase{"NamelessByItsDevice", {Laptop, Nameless}, Nameless, 1},
        TFindCase{"NamelessDeviceNotMatchedByANamedOne", {Projector}, Nameless, -1},
        TFindCase{"EmptyIdentityNamesNone", {TMonitorIdentity(), Laptop}, TMonitorIdentity(), -1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(MonitorIdentityTest, TheOperatorSeesNumberNameAndSize) {
    TMonitorInfo scaled = monitorfakes::Monitor(Projector);
    scaled.Pixels = QSize(3840, 2160);
    EXPECT_EQ(MonitorName(2, Projector), QStringLiteral("2 \u2014 HDMI-1"));
    EXPECT_EQ(MonitorName(3, Nameless), QStringLiteral("3"));
    EXPECT_EQ(MonitorLabel(2, scaled), QStringLiteral("2 \u2014 HDMI-1, 3840 x 2160"));
    EXPECT_EQ(MonitorLabel(1, monitorfakes::Monitor(TMonitorIdentity())),
              QStringLiteral("1 \u2014 1920 x 1080"));
}

struct TTextCase {
    const char* Name;
    TMonitorIdentity Identity;
    const char* Text;
};

class MonitorIdentityTextTest : public ::testing::TestWithParam<TTextCase> {};

TEST_P(MonitorIdentityTextTest, WritesAndReadsBack) {
    const TTextCase& c = GetParam();
    EXPECT_EQ(MonitorIdentityText(c.Identity), QString::fromUtf8(c.Text));
    EXPECT_EQ(ParseMonitorIdentity(QString::fromUtf8(c.Text)), c.Identity);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MonitorIdentityTextTest,
    ::testing::Values(TTextCase{"Empty", TMonitorIdentity(), ""},
                      TTextCase{"NameOnly", TMonitorIdentity(QStringLiteral("HDMI-1")), "HDMI-1;;;"},
                      TTextCase{"Everything", Projector, "HDMI-1;EPS;EB-X41;X4K1234"},
                      TTextCase{"SeparatorsAndEscapesInFields",
                                TMonitorIdentity(QStringLiteral("a;b"), QStringLiteral("c\\"), QString(),
                                                 QStringLiteral("\\;")),
                                "a\\;b;c\\\\;;\\\\\\;"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TParseCase {
    const char* Text;
    TMonitorIdentity Expected;
};

class ParseMonitorIdentityTest : public ::testing::TestWithParam<TParseCase> {};

// What a hand-edited value reads as.
TEST_P(ParseMonitorIdentityTest, AnyTextReadsAsSomeIdentity) {
    EXPECT_EQ(ParseMonitorIdentity(QString::fromUtf8(GetParam().Text)), GetParam().Expected)
        << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(Table, ParseMonitorIdentityTest,
                         ::testing::Values(TParseCase{"HDMI-1", TMonitorIdentity(QStringLiteral("HDMI-1"))},
                                           TParseCase{" HDMI-1 ; EPS ",
                                                      TMonitorIdentity(QStringLiteral("HDMI-1"),
                                                                       QStringLiteral("EPS"))},
                                           TParseCase{"a;b;c;d;e;f", TMonitorIdentity("a", "b", "c", "d")},
                                           TParseCase{"end\\", TMonitorIdentity(QStringLiteral("end\\"))},
                                           TParseCase{"\\x", TMonitorIdentity(QStringLiteral("x"))},
                                           TParseCase{";;;", TMonitorIdentity()}));

}  // namespace
