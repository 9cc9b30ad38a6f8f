#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include <QColor>
#include <QTemporaryDir>

#include <stdexcept>
#include <vector>

#include "CameraPicture.h"
#include "FileMaker.h"
#include "FormatRegistry.h"
#include "Jpeg2000Bitmap.h"
#include "Orientation.h"
#include "PictureSurface.h"
#include "PixelCompare.h"
#include "Resampler.h"
#include "ShowFakes.h"
#include "ShowImage.h"
#include "Watermark.h"

namespace {

using namespace showfakes;

// Decoders that never touch the generic library, so that the outcome does not depend on the machine.
TShowDecoders WithGeneric(bool recognises) {
    TShowDecoders decoders = TShowDecoders::Standard();
    decoders.Generic = [recognises](const QString& path, QImage& picture) {
        picture = recognises ? QImage(path) : QImage();
        return !picture.isNull();
    };
    return decoders;
}

QColor At(const QImage& picture, int x, int y) {
    return picture.pixelColor(x, y);
}

bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}

// --- step targets -------------------------------------------------------------------------------

struct TStepCase {
    const char* Name;
    QStringList Names;
    QString Current;
    TStepDirection Direction;
    std::vector<int> Expected;
};

class StepCandidatesTest : public ::testing::TestWithParam<TStepCase> {};

TEST_P(StepCandidatesTest, TriesTheNeighbourThenGoesOnRoundTheListOnce) {
    const TStepCase& c = GetParam();
    EXPECT_EQ(StepCandidates(c.Names, c.Current, c.Direction), c.Expected);
}

const QStringList ABC{"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"};

INSTANTIATE_TEST_SUITE_P(
    Table, StepCandidatesTest,
    ::testing::Values(TStepCase{"EmptyList", {}, "", TStepDirection::Next, {}},
                      TStepCase{"OneEntryNext", {"/p/a.jpg"}, "/p/x.jpg", TStepDirection::Next, {}},
                      TStepCase{"OneEntryPrevious", {"/p/a.jpg"}, "/p/a.jpg", TStepDirection::Previous, {}},
                      TStepCase{"MiddleNext", ABC, "/p/b.jpg", TStepDirection::Next, {2, 0, 1}},
                      TStepCase{"MiddlePrevious", ABC, "/p/b.jpg", TStepDirection::Previous, {0, 2, 1}},
                      TStepCase{"LastToFirst", ABC, "/p/c.jpg", TStepDirection::Next, {0, 1, 2}},
                      TStepCase{"FirstToLast", ABC, "/p/a.jpg", TStepDirection::Previous, {2, 1, 0}},
                      TStepCase{"NotInListNext", ABC, "/p/gone.jpg", TStepDirection::Next, {0, 1, 2}},
                      TStepCase{"NotInListPrevious", ABC, "/p/gone.jpg", TStepDirection::Previous, {2, 1, 0}},
                      TStepCase{"NothingShownYet", ABC, "", TStepDirection::Next, {0, 1, 2}},
                      TStepCase{
                          "ComparisonIsCaseSensitive", ABC, "/p/B.jpg", TStepDirection::Next, {0, 1, 2}},
                      TStepCase{"ListedTwiceStepsFromTheFirst",
                                {"/p/a.jpg", "/p/b.jpg", "/p/a.jpg", "/p/c.jpg"},
                                "/p/a.jpg",
                                TStepDirection::Next,
                                {1, 2, 3, 0}}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- the pipeline over real files ---------------------------------------------------------------

enum class TEntry { Good, Missing, BadJp2, Undecodable };

class ShowPipeline : public ::testing::Test {
protected:
    QTemporaryDir Folder;
    TFakeList List;
    TRecordingSink Sink;
    TSettingsValues Settings;

    // Entry i of kind Good is a solid picture whose red channel is 10 * (i + 1).
    void MakeEntries(const std::vector<TEntry>& kinds) {
        for (int i = 0; i < int(kinds.size()); ++i) {
            const QString base = Folder.filePath(QStringLiteral("entry%1").arg(i));
            const QImage picture = Solid(8, 6, QColor(10 * (i + 1), 0, 0));
            switch (kinds[i]) {
                case TEntry::Good:
                    List.Names << testsupport::MakeFile(base + ".png", Encoded(picture, "PNG"));
                    break;
                case TEntry::Missing:
                    List.Names << base + ".png";
                    break;
                case TEntry::BadJp2:
                    List.Names << testsupport::MakeFile(base + ".jp2", Encoded(picture, "PNG"));
                    break;
                case TEntry::Undecodable:
                    List.Names << testsupport::MakeFile(base + ".xyz", "no picture here");
                    break;
            }
        }
    }

    TShowImage Pipeline(TShowDecoders decoders = WithGeneric(false)) {
        return TShowImage(
            List, [this] { return Settings; }, std::move(decoders));
    }
};

struct TPipelineStepCase {
    const char* Name;
    std::vector<TEntry> Entries;
    int Current;  // -1: no current image
    TStepDirection Direction;
    int ExpectedShown;  // -1: nothing changes
};

class PipelineStepTest : public ShowPipeline, public ::testing::WithParamInterface<TPipelineStepCase> {};

TEST_P(PipelineStepTest, ShowsTheFirstEntryThatCanBeShown) {
    const TPipelineStepCase& c = GetParam();
    MakeEntries(c.Entries);
    List.Current = c.Current < 0 ? QString() : List.Names[c.Current];
    const QString before = List.Current;
    TShowImage pipeline = Pipeline();
    if (c.Direction == TStepDirection::Next) {
        pipeline.ShowNextImage(Sink);
    } else {
        pipeline.ShowPreviousImage(Sink);
    }
    if (c.ExpectedShown < 0) {
        EXPECT_TRUE(Sink.Shown.empty());
        EXPECT_EQ(List.Current, before);
        return;
    }
    ASSERT_EQ(Sink.Shown.size(), 1u);
    EXPECT_EQ(List.Current, List.Names[c.ExpectedShown]);
    const QImage& shown = Sink.Shown.front();
    if (c.Entries[c.ExpectedShown] == TEntry::Undecodable) {
        EXPECT_TRUE(shown.isNull());
    } else {
        ASSERT_FALSE(shown.isNull());
        EXPECT_EQ(shown.pixelColor(0, 0).red(), 10 * (c.ExpectedShown + 1));
    }
}

using E = TEntry;
INSTANTIATE_TEST_SUITE_P(
    Table, PipelineStepTest,
    ::testing::Values(
        TPipelineStepCase{"Forward", {E::Good, E::Good, E::Good}, 0, TStepDirection::Next, 1},
        TPipelineStepCase{"LastToFirst", {E::Good, E::Good, E::Good}, 2, TStepDirection::Next, 0},
        TPipelineStepCase{"FirstToLast", {E::Good, E::Good, E::Good}, 0, TStepDirection::Previous, 2},
        TPipelineStepCase{"MissingPassedOver", {E::Good, E::Missing, E::Good}, 0, TStepDirection::Next, 2},
        TPipelineStepCase{
            "BadJp2PassedOverBackwards", {E::Good, E::Good, E::BadJp2}, 0, TStepDirection::Previous, 1},
        TPipelineStepCase{"PassesOverTheWrap", {E::Good, E::Good, E::Missing}, 1, TStepDirection::Next, 0},
        TPipelineStepCase{"UndecodableShownBlack", {E::Good, E::Undecodable}, 0, TStepDirection::Next, 1},
        TPipelineStepCase{
            "NothingShowable", {E::Missing, E::BadJp2, E::Missing}, -1, TStepDirection::Next, -1},
        TPipelineStepCase{
            "OnlyTheCurrentIsShowable", {E::Good, E::Missing, E::BadJp2}, 0, TStepDirection::Next, 0},
        TPipelineStepCase{"OneEntry", {E::Good}, -1, TStepDirection::Next, -1}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- the decode routes --------------------------------------------------------------------------

struct TRouteCase {
    const char* Name;
    const char* Extension;
    const char* Format;  // how the file's bytes are written: "PNG", "JP2" or "junk"
    bool GenericRecognises;
    bool ExpectShown;
    bool ExpectPicture;
};

class RouteTest : public ShowPipeline, public ::testing::WithParamInterface<TRouteCase> {};

TEST_P(RouteTest, DecodesByTheRoutesInOrder) {
    const TRouteCase& c = GetParam();
    const QImage picture = Solid(8, 6, QColor(200, 100, 50));
    const QString path = Folder.filePath(QStringLiteral("picture.") + c.Extension);
    if (QByteArray(c.Format) == "JP2") {
        TJpeg2000Bitmap bitmap;
        bitmap.Lossless = true;
        bitmap.Assign(picture.convertToFormat(QImage::Format_BGR888));
        bitmap.SaveToFile(path);
    } else if (QByteArray(c.Format) == "PNG") {
        testsupport::MakeFile(path, Encoded(picture, "PNG"));
    } else {
        testsupport::MakeFile(path, "no picture here");
    }
    List.Names << path;
    List.Current = QStringLiteral("/before.jpg");

    TShowImage pipeline = Pipeline(WithGeneric(c.GenericRecognises));
    EXPECT_EQ(pipeline.ShowImage(0, false, Sink), c.ExpectShown);
    EXPECT_EQ(List.Current, c.ExpectShown ? path : QStringLiteral("/before.jpg"));
    ASSERT_EQ(Sink.Shown.size(), c.ExpectShown ? 1u : 0u);
    if (c.ExpectShown) {
        const QImage& shown = Sink.Shown.front();
        ASSERT_EQ(shown.isNull(), !c.ExpectPicture);
        if (c.ExpectPicture) {
            EXPECT_EQ(shown.size(), picture.size());
            EXPECT_EQ(shown.depth(), 32);
            EXPECT_EQ(shown.pixel(3, 3) | 0xFF000000u, picture.pixel(3, 3));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RouteTest,
    ::testing::Values(TRouteCase{"PngByRegistry", "png", "PNG", false, true, true},
                      TRouteCase{"RealJp2", "jp2", "JP2", false, true, true},
                      TRouteCase{"PngNamedJp2NotShown", "jp2", "PNG", true, false, false},
                      TRouteCase{"UnknownExtensionWithGeneric", "xyz", "PNG", true, true, true},
                      TRouteCase{"UnknownExtensionWithoutGeneric", "xyz", "PNG", false, true, false},
                      TRouteCase{"JunkShownBlack", "png", "junk", false, true, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ShowPipeline, IndexOutsideTheListOrMissingFileChangesNothing) {
    MakeEntries({E::Good, E::Missing});
    List.Current = List.Names[0];
    TShowImage pipeline = Pipeline();
    for (int index : {-1, 2, 1}) {
        EXPECT_FALSE(pipeline.ShowImage(index, false, Sink)) << index;
    }
    EXPECT_TRUE(Sink.Shown.empty());
    EXPECT_EQ(List.Current, List.Names[0]);
}

// While a slow file is decoded the GUI's events go on (the generic decoder waits with them): a show or a
// step asked meanwhile never re-enters the pipeline. Steps are merged into the last one asked, made once
// the picture is shown, and given up when its preview goes.
TEST_F(ShowPipeline, StepsAskedWhileAPictureDecodesAreMergedIntoOne) {
    MakeEntries({E::Undecodable, E::Good, E::Good, E::Good});  // entry 0 is the generic decoder's
    std::function<void()> meanwhile;
    TShowDecoders decoders = WithGeneric(false);
    decoders.Generic = [&](const QString&, QImage& picture) {
        if (meanwhile) {
            std::exchange(meanwhile, {})();
        }
        picture = Solid(8, 6, Qt::blue);
        return true;
    };
    TShowImage pipeline = Pipeline(decoders);
    meanwhile = [&] {
        EXPECT_TRUE(pipeline.Busy());
        EXPECT_FALSE(pipeline.ShowImage(2, false, Sink));
        pipeline.ShowNextImage(Sink);
        pipeline.ShowNextImage(Sink);
        pipeline.ShowPreviousImage(Sink);
    };
    ASSERT_TRUE(pipeline.ShowImage(0, false, Sink));
    EXPECT_FALSE(pipeline.Busy());
    // Entry 0, then one step back from it: the last entry.
    EXPECT_EQ(Sink.Shown.size(), 2u);
    EXPECT_EQ(List.Current, List.Names[3]);

    meanwhile = [&] {
        pipeline.ShowNextImage(Sink);
        pipeline.Abandon();
    };
    ASSERT_TRUE(pipeline.ShowImage(0, false, Sink));
    EXPECT_EQ(Sink.Shown.size(), 3u);
    EXPECT_EQ(List.Current, List.Names[0]);
}

// --- orientation --------------------------------------------------------------------------------

struct TOrientationCase {
    int Orientation;
    bool Turned;  // width and height swapped
    QColor TopLeft, TopRight, BottomLeft, BottomRight;
};

class OrientationTest : public ShowPipeline, public ::testing::WithParamInterface<TOrientationCase> {};

const QColor Red(255, 0, 0), Green(0, 255, 0), Blue(0, 0, 255), White(255, 255, 255);

TEST_P(OrientationTest, TurnsThePictureUprightFromTheMainDirectory) {
    const TOrientationCase& c = GetParam();
    // 3 x 2 blocks of 16 pixels, so that no JPEG block mixes two colours.
    QImage picture = Solid(48, 32, QColor(128, 128, 128));
    for (auto [x, y, colour] : {std::tuple{0, 0, Red}, {32, 0, Green}, {0, 16, Blue}, {32, 16, White}}) {
        for (int dy = 0; dy < 16; ++dy) {
            for (int dx = 0; dx < 16; ++dx) {
                picture.setPixelColor(x + dx, y + dy, colour);
            }
        }
    }
    const QString path = testsupport::MakeFile(Folder.filePath("turned.jpg"),
                                               JpegWithOrientation(picture, quint16(c.Orientation)));
    const QImage shown = DecodeShownPicture(path, WithGeneric(false));
    ASSERT_EQ(shown.size(), c.Turned ? QSize(32, 48) : QSize(48, 32));
    const int right = shown.width() - 1, bottom = shown.height() - 1;
    EXPECT_TRUE(Near(At(shown, 0, 0), c.TopLeft)) << At(shown, 0, 0).name().toStdString();
    EXPECT_TRUE(Near(At(shown, right, 0), c.TopRight)) << At(shown, right, 0).name().toStdString();
    EXPECT_TRUE(Near(At(shown, 0, bottom), c.BottomLeft)) << At(shown, 0, bottom).name().toStdString();
    EXPECT_TRUE(Near(At(shown, right, bottom), c.BottomRight))
        << At(shown, right, bottom).name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, OrientationTest,
                         ::testing::Values(TOrientationCase{1, false, Red, Green, Blue, White},
                                           TOrientationCase{2, false, Green, Red, White, Blue},
                                           TOrientationCase{3, false, White, Blue, Green, Red},
                                           TOrientationCase{4, false, Blue, White, Red, Green},
                                           TOrientationCase{5, true, Red, Blue, Green, White},
                                           TOrientationCase{6, true, Blue, Red, White, Green},
                                           TOrientationCase{7, true, White, Green, Blue, Red},
                                           TOrientationCase{8, true, Green, White, Red, Blue},
                                           TOrientationCase{9, false, Red, Green, Blue, White}));

// --- the watermark ------------------------------------------------------------------------------

TEST_F(ShowPipeline, ViewPictureShowsTheFirstPictureBareAndStepsWithTheWatermark) {
    for (const char* name : {"IMG_0001.png", "IMG_0002.png"}) {
        List.Names << testsupport::MakeFile(Folder.filePath(name),
                                            Encoded(Solid(400, 300, Qt::black), "PNG"));
    }
    Settings.UseWatermarking = true;
    Settings.WatermarkFont.Size = 12;
    TShowImage pipeline = Pipeline();

    ASSERT_TRUE(pipeline.ShowImage(0, false, Sink));
    pipeline.ShowNextImage(Sink);
    ASSERT_EQ(Sink.Shown.size(), 2u);
    const QImage bare = Solid(400, 300, Qt::black);
    EXPECT_EQ(Sink.Shown[0], bare);
    EXPECT_NE(Sink.Shown[1], bare);
    EXPECT_EQ(List.Current, List.Names[1]);
}

// --- what the audience sees -------------------------------------------------------------------------

struct TShownCase {
    const char* Name;
    int Orientation;
    QSize Surface;
};

void PrintTo(const TShownCase& c, std::ostream* out) {
    *out << c.Name;
}

class ShownCopyTest : public ShowPipeline, public ::testing::WithParamInterface<TShownCase> {};

// A photograph is shown as it always was: decoded, turned upright, watermarked in the upright corner and
// fitted with the Lanczos resampler; now it is fitted as stored (while it is being decoded, for a JPEG)
// and only the fitted copy is turned. The copy on the surface is that picture but for the last bit of
// the rounding of a few pixels, and it is the same whether it was fitted during the decode or after.
TEST_P(ShownCopyTest, IsTheUprightWatermarkedPictureFitted) {
    const TShownCase& c = GetParam();
    List.Names << testsupport::MakeFile(
        Folder.filePath(QStringLiteral("IMG_4321.JPG")),
        JpegWithOrientation(testsupport::CameraLikePicture(903, 601, 9), quint16(c.Orientation), 90));
    Settings.WatermarkFont.Name = QStringLiteral("DejaVu Sans");
    QImage upright = DecodeShownPicture(List.Names[0], WithGeneric(false));
    DrawWatermark(upright, QStringLiteral("4321"), Settings, 96.0);
    const QRect at = FitPictureRect(upright.size(), c.Surface);
    const QImage expected = ResampleLanczos(upright, at.width(), at.height());

    TShowDecoders inOneGo = WithGeneric(false);
    inOneGo.Registry = [](const QString& path, const TRowsDecoded&) { return LoadPictureFile(path); };
    QImage shown[2];
    for (int i = 0; i < 2; ++i) {
        TPictureSurface surface;
        surface.resize(c.Surface);
        surface.show();
        ASSERT_TRUE(Pipeline(i == 0 ? WithGeneric(false) : inOneGo).ShowImage(0, true, surface));
        EXPECT_EQ(surface.FittedRect(), at);
        shown[i] = surface.FittedPicture();
    }
    EXPECT_EQ(shown[0], shown[1]) << "fitted during the decode and after it";
    EXPECT_LE(testsupport::MaxByteDifference(shown[0], expected), 1);
    EXPECT_LE(testsupport::DifferingPixels(shown[0], expected), at.width() * at.height() / 1000);
}

INSTANTIATE_TEST_SUITE_P(Table, ShownCopyTest,
                         ::testing::Values(TShownCase{"AsStored", 1, {640, 360}},
                                           TShownCase{"UpsideDown", 3, {640, 360}},
                                           TShownCase{"TurnedClockwise", 6, {640, 360}},
                                           TShownCase{"TurnedClockwiseOnATallSurface", 6, {300, 451}},
                                           TShownCase{"TurnedCounterClockwise", 8, {1000, 700}},
                                           TShownCase{"Transposed", 5, {640, 360}}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A JPEG whose decode told all its rows and failed at its very end goes to the next route like any other
// failure, and the picture shown is that route's, not a fit of the rows told.
TEST_F(ShowPipeline, AFitBegunOnADecodeThatFailedIsNotShown) {
    List.Names << testsupport::MakeFile(Folder.filePath(QStringLiteral("IMG_0001.jpg")));
    TShowDecoders decoders = WithGeneric(false);
    decoders.Orientation = [](const QString&) { return 6; };
    decoders.Registry = [](const QString&, const TRowsDecoded& rowsDecoded) -> QImage {
        const QImage told = Solid(600, 400, Qt::red);
        rowsDecoded(told, told.height());
        throw std::runtime_error("damaged at its end");
    };
    decoders.Generic = [](const QString&, QImage& picture) {
        picture = Solid(600, 400, Qt::blue);
        return true;
    };
    TPictureSurface surface;
    surface.resize(400, 300);
    surface.show();
    ASSERT_TRUE(Pipeline(decoders).ShowImage(0, false, surface));
    const QImage& shown = surface.FittedPicture();
    ASSERT_EQ(shown.size(), QSize(200, 300));
    EXPECT_EQ(shown.pixelColor(100, 150), QColor(Qt::blue));
}

}  // namespace
