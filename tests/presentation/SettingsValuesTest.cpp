#include <gtest/gtest.h>

#include <functional>

#include "IniFile.h"
#include "SettingsValues.h"
#include "monitors/MonitorFakes.h"

namespace {

using monitorfakes::SideBySide;

TIniFile FileWith(const QString& lines) {
    return TIniFile::FromBytes(QStringLiteral("/nonexistent/settings.ini"), lines.toUtf8());
}

// `count` monitors named "M1", "M2", ...
QList<TMonitorInfo> Numbered(int count) {
    QList<TMonitorIdentity> names;
    for (int i = 1; i <= count; ++i) {
        names.append(TMonitorIdentity(QStringLiteral("M%1").arg(i)));
    }
    return SideBySide(names);
}

TSettingsValues Loaded(const QString& lines, int monitors = 1, TSettingsValues values = {}) {
    LoadSettingsValues(FileWith(lines), values, Numbered(monitors));
    return values;
}

TEST(SettingsValuesTest, AnEmptyFileGivesEveryDefault) {
    const TSettingsValues values = Loaded(QString());
    EXPECT_EQ(values, TSettingsValues{});
    EXPECT_EQ(values.SlideshowInterval, 10);
    EXPECT_EQ(values.Display, 0);
    EXPECT_EQ(values.WatermarkPosition, 3);
    EXPECT_EQ(values.WatermarkFont, (TWatermarkFont{QStringLiteral("Tahoma"), 8, 0xFFFFFF, 0}));
    EXPECT_TRUE(values.WatermarkShadow);
    EXPECT_EQ(values.TextOffsetStart, 5);
    EXPECT_EQ(values.TextLength, 4);
    EXPECT_EQ(values.FontSizeMultiplier, 3);
    EXPECT_FALSE(values.UseWatermarking);
    EXPECT_TRUE(values.AutomaticAdvance);
    EXPECT_FALSE(values.ManualAdvance);
}

struct TStoredCase {
    const char* Lines;
    int Monitors;
    std::function<int(const TSettingsValues&)> Field;
    int Expected;
};

class StoredValueTest : public ::testing::TestWithParam<TStoredCase> {};

TEST_P(StoredValueTest, LoadsClampedOrDefaulted) {
    const TStoredCase& c = GetParam();
    EXPECT_EQ(c.Field(Loaded(QString::fromUtf8(c.Lines), c.Monitors)), c.Expected) << c.Lines;
}

int Interval(const TSettingsValues& v) {
    return v.SlideshowInterval;
}
int Display(const TSettingsValues& v) {
    return v.Display;
}
int Position(const TSettingsValues& v) {
    return v.WatermarkPosition;
}
int Start(const TSettingsValues& v) {
    return v.TextOffsetStart;
}
int Multiplier(const TSettingsValues& v) {
    return v.FontSizeMultiplier;
}
int XOffset(const TSettingsValues& v) {
    return v.WatermarkXOffset;
}
int FontSize(const TSettingsValues& v) {
    return v.WatermarkFont.Size;
}
int Style(const TSettingsValues& v) {
    return v.WatermarkFont.Style;
}
int Color(const TSettingsValues& v) {
    return v.WatermarkFont.Color;
}
int Shadow(const TSettingsValues& v) {
    return v.WatermarkShadow;
}
int Presenter(const TSettingsValues& v) {
    return v.ShowPresenterView;
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoredValueTest,
    ::testing::Values(TStoredCase{"[Settings]\nSlideshowInterval=0", 1, Interval, 1},
                      TStoredCase{"[Settings]\nCheckBoxShowPresenterView=0", 1, Presenter, 0},
                      TStoredCase{"[Settings]\nCheckBoxShowPresenterView=1", 1, Presenter, 1},
                      TStoredCase{"", 1, Presenter, 1},
                      TStoredCase{"[Settings]\nSlideshowInterval=60001", 1, Interval, 60000},
                      TStoredCase{"[Settings]\nSlideshowInterval=0x10", 1, Interval, 16},
                      TStoredCase{"[Settings]\nSlideshowInterval=ten", 1, Interval, 10},
                      TStoredCase{"[settings]\nslideshowinterval=25", 1, Interval, 25},
                      TStoredCase{"[Settings]\nSpinEditTextOffsetStart=0", 1, Start, 0},
                      TStoredCase{"[Settings]\nSpinEditFontSizeMuliplier=11", 1, Multiplier, 10},
                      TStoredCase{"[Settings]\nSpinEditWatermarkXOffset=-5000", 1, XOffset, -1000},
                      TStoredCase{"[Settings]\nWatermarkFontStyle=31", 1, Style, 15},
                      TStoredCase{"[Settings]\nWatermarkFontSize=2147483647", 1, FontSize, 512},
                      TStoredCase{"[Settings]\nWatermarkFontSize=-2147483648", 1, FontSize, 1},
                      TStoredCase{"[Settings]\nWatermarkFontSize=0", 1, FontSize, 1},
                      TStoredCase{"[Settings]\nWatermarkFontSize=72", 1, FontSize, 72},
                      TStoredCase{"[Settings]\nWatermarkFontColor=255", 1, Color, 255},
                      TStoredCase{"[Settings]\nRadioButtonWatermarkShadow=0", 1, Shadow, 0},
                      TStoredCase{"[Settings]\nRadioButtonWatermarkShadow=7", 1, Shadow, 1},
                      TStoredCase{"[Settings]\nRadioButtonWatermarkShadow=yes", 1, Shadow, 1},
                      TStoredCase{"[Settings]\nComboBoxWatermarkPosition=0", 1, Position, 0},
                      TStoredCase{"[Settings]\nComboBoxWatermarkPosition=4", 1, Position, -1},
                      TStoredCase{"[Settings]\nComboBoxWatermarkPosition=-1", 1, Position, -1},
                      TStoredCase{"[Display]\nUse=2", 1, Display, -1},
                      TStoredCase{"[Display]\nUse=2", 2, Display, 2},
                      TStoredCase{"[Display]\nUse=-1", 2, Display, -1},
                      TStoredCase{"[Display]\nUse=x", 2, Display, 0},
                      TStoredCase{"[Settings]\nUse=1", 2, Display, 0}));

struct TDisplayChoiceCase {
    const char* Name;
    const char* Lines;
    QList<TMonitorIdentity> Monitors;
    int Entry;
    TMonitorIdentity Remembered;
};

class DisplayChoiceTest : public ::testing::TestWithParam<TDisplayChoiceCase> {};

TEST_P(DisplayChoiceTest, FollowsTheRememberedMonitorElseTheIndex) {
    const TDisplayChoiceCase& c = GetParam();
    TSettingsValues values;
    LoadSettingsValues(FileWith(QString::fromUtf8(c.Lines)), values, SideBySide(c.Monitors));
    EXPECT_EQ(values.Display, c.Entry);
    EXPECT_EQ(values.DisplayMonitor, c.Remembered);
}

const TMonitorIdentity Dp1(QStringLiteral("DP-1")), Hdmi1(QStringLiteral("HDMI-1"));
const TMonitorIdentity Twin1(QStringLiteral("DP-1"), QStringLiteral("ACM"), QStringLiteral("View 24"));
const TMonitorIdentity Twin2(QStringLiteral("DP-2"), QStringLiteral("ACM"), QStringLiteral("View 24"));

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayChoiceTest,
    ::testing::Values(
        TDisplayChoiceCase{
            "RememberedWhereverItIsNow", "[Display]\nUse=1\nMonitor=HDMI-1", {Dp1, Hdmi1}, 2, Hdmi1},
        TDisplayChoiceCase{"RememberedButAbsent", "[Display]\nUse=2\nMonitor=HDMI-1", {Dp1}, -1, Hdmi1},
        TDisplayChoiceCase{"SameModelToldApartByName",
                           "[Display]\nUse=1\nMonitor=DP-2;ACM;View 24;",
                           {Twin1, Twin2},
                           2,
                           Twin2},
        TDisplayChoiceCase{"EscapedName",
                           "[Display]\nMonitor=A\\;B;;;",
                           {Dp1, TMonitorIdentity("A;B")},
                           2,
                           TMonitorIdentity("A;B")},
        TDisplayChoiceCase{"OlderFileIndexRemembersItsMonitor", "[Display]\nUse=2", {Dp1, Hdmi1}, 2, Hdmi1},
        TDisplayChoiceCase{"OlderFileIndexOfNoMonitor", "[Display]\nUse=2", {Dp1}, -1, TMonitorIdentity()},
        TDisplayChoiceCase{"EmptyMonitorKeyLeavesTheIndex",
                           "[Display]\nUse=0\nMonitor=",
                           {Dp1, Hdmi1},
                           0,
                           TMonitorIdentity()}),
    [](const auto& info) { return std::string(info.param.Name); });

// The operator picks a monitor; it goes away and comes back elsewhere in the order; "Auto detect" forgets it.
TEST(SettingsValuesTest, ThePickedMonitorIsFollowedThroughChangesOfTheMonitors) {
    TSettingsValues values;
    PickDisplayEntry(values, 2, SideBySide({Dp1, Hdmi1}));
    EXPECT_EQ(values.DisplayMonitor, Hdmi1);
    FollowDisplayChoice(values, SideBySide({Dp1}));
    EXPECT_EQ(values.Display, -1);
    FollowDisplayChoice(values, SideBySide({Hdmi1, Dp1}));
    EXPECT_EQ(values.Display, 1);
    PickDisplayEntry(values, 0, SideBySide({Hdmi1, Dp1}));
    EXPECT_EQ(values.DisplayMonitor, TMonitorIdentity());
    FollowDisplayChoice(values, SideBySide({Dp1}));
    EXPECT_EQ(values.Display, 0);
}

struct TAdvanceCase {
    const char* Lines;
    bool Automatic;
    bool Manual;
};

class AdvanceTest : public ::testing::TestWithParam<TAdvanceCase> {};

TEST_P(AdvanceTest, TheManualButtonIsAppliedLast) {
    const TSettingsValues values = Loaded(QString::fromUtf8(GetParam().Lines));
    EXPECT_EQ(values.AutomaticAdvance, GetParam().Automatic) << GetParam().Lines;
    EXPECT_EQ(values.ManualAdvance, GetParam().Manual) << GetParam().Lines;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AdvanceTest,
    ::testing::Values(
        TAdvanceCase{
            "[Settings]\nRadioButtonSlideShowAutomaticAdvance=1\nRadioButtonSlideshowManualAdvance=1", false,
            true},
        TAdvanceCase{
            "[Settings]\nRadioButtonSlideShowAutomaticAdvance=0\nRadioButtonSlideshowManualAdvance=0", false,
            false},
        TAdvanceCase{
            "[Settings]\nRadioButtonSlideShowAutomaticAdvance=0\nRadioButtonSlideshowManualAdvance=1", false,
            true},
        TAdvanceCase{"[Settings]\nRadioButtonSlideShowAutomaticAdvance=0", false, false},
        TAdvanceCase{"[Settings]\nRadioButtonSlideshowManualAdvance=1", false, true},
        TAdvanceCase{"", true, false}));

TEST(SettingsValuesTest, MissingKeysKeepDesignValuesButNotFixedDefaults) {
    TSettingsValues edited;
    edited.SlideshowInterval = 42;
    edited.TextLength = 9;
    edited.WatermarkFont.Style = 3;
    edited.WatermarkFont.Name = QStringLiteral("Edited");
    edited.WatermarkPosition = 0;
    edited.Display = 1;
    edited.ShowPresenterView = false;
    const TSettingsValues values = Loaded(QStringLiteral("[Settings]\nSpinEditTextLength=6"), 1, edited);
    EXPECT_FALSE(values.ShowPresenterView);
    EXPECT_TRUE(
        Loaded(QStringLiteral("[Settings]\nSpinEditTextLength=6"), 1, TSettingsValues()).ShowPresenterView);
    EXPECT_EQ(values.SlideshowInterval, 42);
    EXPECT_EQ(values.TextLength, 6);
    EXPECT_EQ(values.WatermarkFont.Style, 3);
    EXPECT_EQ(values.WatermarkFont.Name, QStringLiteral("Tahoma"));
    EXPECT_EQ(values.WatermarkPosition, 3);
    EXPECT_EQ(values.Display, 0);
}

TEST(SettingsValuesTest, SavesEveryKeyInOrderAndKeepsTheMainWindowsKey) {
    TIniFile file = FileWith(QStringLiteral("[Settings]\r\nListerViewModeThumbs=0\r\n"));
    TSettingsValues values;
    values.Display = -1;
    values.DisplayMonitor =
        TMonitorIdentity(QStringLiteral("HDMI-1"), QStringLiteral("ACM"), QString(), QStringLiteral("S;1"));
    values.WatermarkFont.Color = 0x0000FF;
    values.ManualAdvance = true;
    values.AutomaticAdvance = false;
    values.ShowPresenterView = false;
    SaveSettingsValues(file, values);

    const QString expected = QStringLiteral(
        "[Settings]\r\nListerViewModeThumbs=0\r\nSlideshowInterval=10\r\nComboBoxWatermarkPosition=3\r\n"
        "WatermarkFontName=Tahoma\r\nWatermarkFontSize=8\r\nWatermarkFontColor=255\r\nWatermarkFontStyle="
        "0\r\n"
        "RadioButtonWatermarkShadow=1\r\nSpinEditWatermarkXOffset=0\r\nSpinEditWatermarkYOffset=0\r\n"
        "SpinEditTextOffsetStart=5\r\nSpinEditTextLength=4\r\nSpinEditFontSizeMuliplier=3\r\n"
        "CheckBoxUseWatermarking=0\r\nRadioButtonSlideShowAutomaticAdvance=0\r\n"
        "RadioButtonSlideshowManualAdvance=1\r\nCheckBoxShowPresenterView=0\r\n[Display]\r\nUse=-"
        "1\r\nMonitor=HDMI-1;ACM;;S\\;1\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : expected) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
    }
    EXPECT_EQ(file.ToBytes(), bytes);

    // What was saved loads back as it was.
    TSettingsValues reloaded;
    LoadSettingsValues(TIniFile::FromBytes(QString(), file.ToBytes()), reloaded, Numbered(1));
    EXPECT_EQ(reloaded, values);
}

}  // namespace
