#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QSet>

#include "AdvanceCountdown.h"
#include "IniFile.h"
#include "presenter/PresenterView.h"

namespace {

// --- The entry the show steps to next ------------------------------------------------------------------

struct TNextCase {
    const char* Name;
    QStringList Names;
    QString Current;
    QSet<int> CannotShow;
    int Next;
};

class NextShownEntryTest : public ::testing::TestWithParam<TNextCase> {};

TEST_P(NextShownEntryTest, IsTheEntryTheStepWouldShow) {
    const TNextCase& c = GetParam();
    EXPECT_EQ(NextShownEntry(c.Names, c.Current, [&](int i) { return !c.CannotShow.contains(i); }), c.Next);
}

const QStringList Four{"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/d.jpg"};

INSTANTIATE_TEST_SUITE_P(
    Table, NextShownEntryTest,
    ::testing::Values(
        TNextCase{"TheFollowingEntry", Four, "/p/b.jpg", {}, 2},
        TNextCase{"AfterTheLastTheFirst", Four, "/p/d.jpg", {}, 0},
        TNextCase{"MissingEntriesArePassedOver", Four, "/p/a.jpg", {1, 2}, 3},
        TNextCase{"PassingOverWrapsRound", Four, "/p/c.jpg", {3, 0}, 1},
        TNextCase{"NoneThatCanBeShown", Four, "/p/a.jpg", {0, 1, 2, 3}, -1},
        TNextCase{"TheCurrentItselfWhenAllOthersAreMissing", Four, "/p/a.jpg", {1, 2, 3}, 0},
        TNextCase{"OneEntryNeverSteps", {"/p/a.jpg"}, "/p/a.jpg", {}, -1},
        TNextCase{"EmptyList", {}, "/p/a.jpg", {}, -1},
        TNextCase{"CurrentNotInTheListGoesToTheFirst", Four, "/elsewhere/x.jpg", {}, 0},
        TNextCase{"CurrentNotInTheListFirstMissing", Four, "/elsewhere/x.jpg", {0}, 1},
        TNextCase{"TheFirstOfDuplicatesCounts", {"/p/a.jpg", "/p/b.jpg", "/p/a.jpg"}, "/p/a.jpg", {}, 1},
        TNextCase{"ComparedExactly", Four, "/p/B.jpg", {}, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- Texts ------------------------------------------------------------------------------------------------

TEST(PresenterTextTest, PositionCountdownAndSize) {
    EXPECT_EQ(PositionText(7, 42), QStringLiteral("7 / 42"));
    EXPECT_EQ(PositionText(0, 42), QStringLiteral("\u2013 / 42"));
    // Rounded up: the countdown says 0:00 only once the step is due.
    EXPECT_EQ(CountdownText(7000, false), QStringLiteral("Next in 0:07"));
    EXPECT_EQ(CountdownText(6001, false), QStringLiteral("Next in 0:07"));
    EXPECT_EQ(CountdownText(0, false), QStringLiteral("Next in 0:00"));
    EXPECT_EQ(CountdownText(65000, false), QStringLiteral("Next in 1:05"));
    EXPECT_EQ(CountdownText(4200, true), QStringLiteral("Advance paused, 0:05 left"));
    EXPECT_EQ(PictureSizeText(QSize(6000, 4000)), QStringLiteral("6000 \u00d7 4000"));
    EXPECT_EQ(PictureSizeText(QSize()), QString());
}

// --- The countdown against a fake clock ------------------------------------------------------------------

class AdvanceCountdownTest : public ::testing::Test {
protected:
    qint64 Now = 1'000'000;
    TAdvanceCountdown Countdown{[this] { return Now; }};
};

TEST_F(AdvanceCountdownTest, CountsDownFromTheIntervalAndAgainAtEveryTick) {
    EXPECT_FALSE(Countdown.Running());
    EXPECT_EQ(Countdown.Remaining(), 0);
    Countdown.Start(10'000);
    EXPECT_EQ(Countdown.Remaining(), 10'000);
    Now += 3'000;
    EXPECT_EQ(Countdown.Remaining(), 7'000);
    Now += 9'000;  // overdue: never below zero
    EXPECT_EQ(Countdown.Remaining(), 0);
    Countdown.Tick();
    EXPECT_EQ(Countdown.Remaining(), 10'000);
    Countdown.Stop();
    EXPECT_EQ(Countdown.Remaining(), 0);
    Countdown.Tick();  // a stopped countdown does not start again by a tick
    EXPECT_FALSE(Countdown.Running());
}

TEST_F(AdvanceCountdownTest, PauseAndResumeKeepTheTimeLeft) {
    Countdown.Start(10'000);
    Now += 4'000;
    Countdown.Pause();
    EXPECT_TRUE(Countdown.Paused());
    Now += 60'000;  // held for a minute: nothing runs off
    EXPECT_EQ(Countdown.Remaining(), 6'000);
    Countdown.Tick();  // a held countdown ignores ticks
    EXPECT_EQ(Countdown.Remaining(), 6'000);
    EXPECT_EQ(Countdown.Resume(), 6'000);
    EXPECT_TRUE(Countdown.Running());
    Now += 2'500;
    EXPECT_EQ(Countdown.Remaining(), 3'500);
    // After the early tick the whole interval again.
    Now += 3'500;
    Countdown.Tick();
    EXPECT_EQ(Countdown.Remaining(), 10'000);
}

TEST_F(AdvanceCountdownTest, PauseWithoutAdvanceAndResumeWithoutPauseChangeNothing) {
    Countdown.Pause();
    EXPECT_FALSE(Countdown.Paused());
    Countdown.Start(5'000);
    Now += 1'000;
    EXPECT_EQ(Countdown.Resume(), 4'000);
    Now += 1'000;
    EXPECT_EQ(Countdown.Remaining(), 3'000);
    // A start ends a hold with the new interval.
    Countdown.Pause();
    Countdown.Start(8'000);
    EXPECT_TRUE(Countdown.Running());
    EXPECT_EQ(Countdown.Remaining(), 8'000);
}

// --- Where the presenter window goes ----------------------------------------------------------------------

TEST(PresenterPlacementTest, OpensOnlyWithTheSettingAndAnotherMonitor) {
    struct TCase {
        bool Setting;
        int Monitors, Audience, Operator;
        bool Opens;
    };
    for (const TCase& c :
         {TCase{true, 2, 1, 0, true}, TCase{false, 2, 1, 0, false}, TCase{true, 1, 0, 0, false},
          TCase{true, 2, 0, 0, false}, TCase{true, 3, 2, 0, true}, TCase{true, 2, -1, 0, false}}) {
        EXPECT_EQ(PresenterOpens(c.Setting, c.Monitors, c.Audience, c.Operator), c.Opens)
            << c.Setting << " " << c.Monitors << " " << c.Audience << " " << c.Operator;
    }
}

TEST(PresenterPlacementTest, StaysOnTheOperatorsMonitor) {
    const QRect own(0, 0, 1920, 1040);  // the operator's work area
    struct TCase {
        const char* Name;
        QRect Remembered;
        QRect Placed;
    };
    for (const TCase& c : {
             TCase{"RememberedThere", QRect(100, 50, 800, 500), QRect(100, 50, 800, 500)},
             TCase{"NothingRemembered", QRect(), QRect(510, 220, 900, 600)},
             // Left on the audience monitor last time: the size comes back, centred on the operator's.
             TCase{"RememberedOnTheAudienceMonitor", QRect(2000, 100, 1000, 700), QRect(460, 170, 1000, 700)},
             TCase{"HangingOverTheEdgeIsPulledIn", QRect(1500, 600, 800, 500), QRect(1120, 540, 800, 500)},
             TCase{"LargerThanTheMonitorShrinks", QRect(-100, -100, 4000, 3000), QRect(0, 0, 1920, 1040)},
         }) {
        const QRect placed = PresenterPlacement(c.Remembered, own);
        EXPECT_EQ(placed, c.Placed) << c.Name;
        EXPECT_TRUE(own.contains(placed)) << c.Name;
    }
}

TEST(PresenterPlacementTest, ThePlaceIsKeptInItsOwnSection) {
    TIniFile file = TIniFile::FromBytes(QString(), QByteArray("[Settings]\r\nSlideshowInterval=12\r\n"));
    EXPECT_TRUE(LoadPresenterPlace(file).isNull());
    SavePresenterPlace(file, QRect(-1200, 40, 900, 600));
    const TIniFile reread = TIniFile::FromBytes(QString(), file.ToBytes());
    EXPECT_EQ(LoadPresenterPlace(reread), QRect(-1200, 40, 900, 600));
    EXPECT_EQ(reread.ReadInteger(QStringLiteral("Settings"), QStringLiteral("SlideshowInterval"), 0), 12);
    const TIniFile bad =
        TIniFile::FromBytes(QString(), QByteArray("[Presenter]\r\nWidth=-5\r\nHeight=300\r\n"));
    EXPECT_TRUE(LoadPresenterPlace(bad).isNull());
}

// --- The strip and the mirror ----------------------------------------------------------------------------

TEST(PresenterStripTest, NeighboursStayWithinTheList) {
    EXPECT_EQ(NeighbourEntries(5, 42, 3), (std::vector<int>{2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(NeighbourEntries(0, 42, 3), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(NeighbourEntries(41, 42, 3), (std::vector<int>{35, 36, 37, 38, 39, 40, 41}));
    EXPECT_EQ(NeighbourEntries(1, 3, 3), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(NeighbourEntries(-1, 42, 1), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(NeighbourEntries(-1, 0, 3).empty());
}

TEST(MirrorPictureTest, IsTheAudienceScreenScaledDownFromTheFittedCopy) {
    // A 1920 x 1080 screen showing a 1440 x 1080 fitted copy between black bars, mirrored into 480 x 400.
    QImage fitted(1440, 1080, QImage::Format_RGB32);
    fitted.fill(QColor(200, 30, 60));
    fitted.setDevicePixelRatio(1.5);  // the surface's ratio plays no part in the mirror
    const QImage mirror =
        MirrorPicture(fitted, QRect(240, 0, 1440, 1080), QSize(1920, 1080), QSize(480, 400), false);
    ASSERT_EQ(mirror.size(), QSize(480, 270));
    EXPECT_EQ(mirror.pixelColor(30, 135), QColor(Qt::black));
    EXPECT_EQ(mirror.pixelColor(450, 135), QColor(Qt::black));
    EXPECT_EQ(mirror.pixelColor(60, 0), QColor(200, 30, 60));
    EXPECT_EQ(mirror.pixelColor(419, 269), QColor(200, 30, 60));
    EXPECT_EQ(mirror.pixelColor(240, 135), QColor(200, 30, 60));

    const QImage blank =
        MirrorPicture(fitted, QRect(240, 0, 1440, 1080), QSize(1920, 1080), QSize(480, 400), true);
    ASSERT_EQ(blank.size(), QSize(480, 270));
    EXPECT_EQ(blank.pixelColor(240, 135), QColor(Qt::black));
    EXPECT_TRUE(MirrorPicture(fitted, QRect(), QSize(), QSize(480, 400), false).isNull());
}

// The "Next" pane shows the picture of a list thumbnail, not the list's white bands round it; a picture
// that fills the thumbnail is kept whole, whatever its own edges.
TEST(PresenterThumbnailTest, ThePictureWithoutTheListsBands) {
    const auto thumbnail = [](QRect picture, QColor colour, QColor inside = QColor()) {
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(Qt::white);
        for (int y = picture.top(); y <= picture.bottom(); ++y) {
            for (int x = picture.left(); x <= picture.right(); ++x) {
                image.setPixelColor(x, y, colour);
            }
        }
        if (inside.isValid()) {
            image.setPixelColor(picture.center(), inside);
        }
        return image;
    };
    const struct {
        QRect Picture;
        QRect Expected;
    } cases[] = {
        {QRect(0, 15, 160, 90), QRect(0, 15, 160, 90)},  // landscape 16:9
        {QRect(35, 0, 90, 120), QRect(35, 0, 90, 120)},  // portrait
        {QRect(0, 0, 160, 120), QRect(0, 0, 160, 120)},  // 4:3 fills it
    };
    for (const auto& c : cases) {
        const QImage picture = ThumbnailPicture(thumbnail(c.Picture, Qt::darkGreen, Qt::red), Qt::white);
        EXPECT_EQ(picture.size(), c.Expected.size()) << c.Picture.width() << " x " << c.Picture.height();
        EXPECT_EQ(picture.pixelColor(0, 0), QColor(Qt::darkGreen));
    }
    EXPECT_EQ(ThumbnailPicture(thumbnail(QRect(0, 0, 160, 120), Qt::white), Qt::white).size(), QSize(160, 120));
    EXPECT_TRUE(ThumbnailPicture(QImage(), Qt::white).isNull());
}

}  // namespace

