#include <gtest/gtest.h>

#include <QImage>

#include <cstring>

#include "CameraPicture.h"
#include "Orientation.h"
#include "PixelBox.h"
#include "TextDrawing.h"
#include "Watermark.h"

namespace {

struct TTextCase {
    const char* FileName;
    int Start;
    int Length;
    const char* Expected;
};

class WatermarkTextTest : public ::testing::TestWithParam<TTextCase> {};

TEST_P(WatermarkTextTest, CutsTheSpanOutOfTheFileName) {
    const TTextCase& c = GetParam();
    EXPECT_EQ(WatermarkText(QString::fromUtf8(c.FileName), c.Start, c.Length), QString::fromUtf8(c.Expected));
}

INSTANTIATE_TEST_SUITE_P(Table, WatermarkTextTest,
                         ::testing::Values(TTextCase{"/photos/IMG_1234.JPG", 5, 4, "1234"},
                                           TTextCase{"/photos/DSC01234.JPG", 5, 4, "1234"},
                                           TTextCase{"/photos/IMG_1234.JPG", 1, 3, "IMG"},
                                           TTextCase{"/photos/IMG_1234.JPG", 10, 4, "JPG"},
                                           TTextCase{"/photos/IMG_1234.JPG", 0, 3, "IMG"},
                                           TTextCase{"/photos/IMG_1234.JPG", 12, 4, "G"},
                                           TTextCase{"/photos/IMG_1234.JPG", 13, 4, ""},
                                           TTextCase{"/photos/a.jpg", 5, 4, "g"},
                                           TTextCase{"/photos/a.jpg", 6, 4, ""},
                                           TTextCase{"IMG_1234.JPG", 256, 255, ""}));

constexpr QRgb Grey = 0xFF808080;

// A grey picture, so that both the white text and its black shadow show.
QImage GreyPicture() {
    QImage picture(400, 300, QImage::Format_ARGB32);
    picture.fill(Grey);
    return picture;
}

TSettingsValues Defaults() {
    TSettingsValues settings;
    settings.WatermarkFont.Name = QStringLiteral("DejaVu Sans");
    return settings;
}

QRect Lighter(const QImage& picture) {
    return testsupport::PixelBox(picture, [](QRgb p) { return qRed(p) > qRed(Grey); });
}

QRect Darker(const QImage& picture) {
    return testsupport::PixelBox(picture, [](QRgb p) { return qRed(p) < qRed(Grey); });
}

TEST(WatermarkTest, TheFontIsTheSettingsFontTimesTheMultiplierAtScreenResolution) {
    const QFont font = WatermarkFont(TWatermarkFont{QStringLiteral("Tahoma"), 8, 0xFFFFFF, 1 | 4}, 3, 96.0);
    EXPECT_EQ(font.pixelSize(), 32);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_EQ(ColorFromSettings(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromSettings(0xFF8000), QColor(0, 0x80, 0xFF));
}

// A size or multiplier that no dialog gives (a settings file edited by hand) is taken within its range.
TEST(WatermarkTest, TheFontSizeStaysASizeAFontCanHave) {
    const struct {
        int Size;
        int Multiplier;
        int Pixels;
    } cases[] = {
        {2147483647, 3, 2048},  // 512 points x 3 at 96 dots per inch
        {2147483647, 2147483647, 6827},
        {-5, 3, 4},
        {8, 0, 11},
    };
    for (const auto& c : cases) {
        const QFont font =
            WatermarkFont(TWatermarkFont{QStringLiteral("Tahoma"), c.Size, 0xFFFFFF, 0}, c.Multiplier, 96.0);
        EXPECT_EQ(font.pixelSize(), c.Pixels) << c.Size << " x " << c.Multiplier;
        EXPECT_EQ(FontFromSettings(TWatermarkFont{QStringLiteral("Tahoma"), c.Size, 0, 0}).pointSize(),
                  WatermarkFontSizeRange.Clamp(c.Size));
    }
}

// At the default settings the text stands in the bottom right corner with its shadow 5 pixels below and
// right of it, and the shadow's edges 3 pixels from the corner: nothing of either is cut off. Without the
// shadow the text's own edges stand there.
TEST(WatermarkTest, BottomRightKeepsTheTextAndItsShadowThreePixelsFromTheCorner) {
    TSettingsValues settings = Defaults();
    QImage picture = GreyPicture();
    DrawWatermark(picture, QStringLiteral("1234"), settings, 96.0);

    const QRect text = Lighter(picture);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_NEAR(text.height(),
                TextExtent(WatermarkFont(settings.WatermarkFont, 3, 96.0), QStringLiteral("1234")).height(),
                1);
    const QRect shadow = Darker(picture);
    EXPECT_NEAR(shadow.right(), picture.width() - 1 - 3, 1);
    EXPECT_NEAR(shadow.bottom(), picture.height() - 1 - 3, 1);
    EXPECT_EQ(shadow.right(), text.right() + 5);
    EXPECT_EQ(shadow.bottom(), text.bottom() + 5);

    settings.WatermarkShadow = false;
    QImage plain = GreyPicture();
    DrawWatermark(plain, QStringLiteral("1234"), settings, 96.0);
    EXPECT_NEAR(Lighter(plain).right(), plain.width() - 1 - 3, 1);
    EXPECT_NEAR(Lighter(plain).bottom(), plain.height() - 1 - 3, 1);

    settings.WatermarkShadow = true;
    settings.WatermarkPosition = 0;
    QImage topLeft = GreyPicture();
    DrawWatermark(topLeft, QStringLiteral("1234"), settings, 96.0);
    const QRect topText = Lighter(topLeft);
    EXPECT_NEAR(topText.left(), 2, 1);
    EXPECT_NEAR(topText.top(), 1, 1);
    const QRect topShadow = Darker(topLeft);
    EXPECT_EQ(topShadow.right(), topText.right() + 5);
    EXPECT_EQ(topShadow.bottom(), topText.bottom() + 5);
}

// In every corner and at every size, the whole watermark stays inside the picture, its margins from the
// edges never less than 1 pixel.
TEST(WatermarkTest, TheWholeWatermarkStaysInsideInEveryCornerAndSize) {
    TSettingsValues settings = Defaults();
    for (const bool shadow : {true, false}) {
        for (const int position : {0, 1, 2, 3}) {
            for (const int multiplier : {1, 2, 3, 5, 8}) {
                SCOPED_TRACE(testing::Message() << "shadow " << shadow << ", corner " << position << ", size x"
                                                << multiplier);
                settings.WatermarkShadow = shadow;
                settings.WatermarkPosition = position;
                settings.FontSizeMultiplier = multiplier;
                QImage picture = GreyPicture();
                DrawWatermark(picture, QStringLiteral("1234"), settings, 96.0);
                const QRect drawn = Lighter(picture).united(shadow ? Darker(picture) : QRect());
                ASSERT_FALSE(drawn.isEmpty());
                EXPECT_GE(drawn.left(), 1);
                EXPECT_GE(drawn.top(), 0);
                EXPECT_LE(drawn.right(), picture.width() - 1 - 2);
                EXPECT_LE(drawn.bottom(), picture.height() - 1 - 2);
            }
        }
    }
}

TEST(WatermarkTest, OffsetsKeepTheirSignInEveryCorner) {
    TSettingsValues settings = Defaults();
    settings.WatermarkShadow = false;
    // Each corner moved inwards, so that nothing is cut: right and down for the top left, left and up
    // for the bottom right.
    for (const int position : {0, 1, 2, 3}) {
        const int dx = position % 2 == 0 ? 10 : -10;
        const int dy = position < 2 ? 7 : -7;
        settings.WatermarkPosition = position;
        settings.WatermarkXOffset = 0;
        settings.WatermarkYOffset = 0;
        QImage plain = GreyPicture();
        DrawWatermark(plain, QStringLiteral("1234"), settings, 96.0);
        settings.WatermarkXOffset = dx;
        settings.WatermarkYOffset = dy;
        QImage moved = GreyPicture();
        DrawWatermark(moved, QStringLiteral("1234"), settings, 96.0);
        EXPECT_EQ(Lighter(moved), Lighter(plain).translated(dx, dy)) << position;
    }

    // Bottom left with a Y offset of 20 pushes the text partly out of the picture.
    settings.WatermarkPosition = 2;
    settings.WatermarkXOffset = 0;
    settings.WatermarkYOffset = 20;
    QImage cut = GreyPicture();
    DrawWatermark(cut, QStringLiteral("1234"), settings, 96.0);
    EXPECT_EQ(Lighter(cut).bottom(), cut.height() - 1);
}

TEST(WatermarkTest, DrawsNothingWithoutTextPictureOrPlace) {
    TSettingsValues settings = Defaults();
    QImage picture = GreyPicture();
    DrawWatermark(picture, QString(), settings, 96.0);
    settings.WatermarkPosition = -1;
    DrawWatermark(picture, QStringLiteral("1234"), settings, 96.0);
    EXPECT_EQ(picture, GreyPicture());

    QImage empty;
    DrawWatermark(empty, QStringLiteral("1234"), Defaults(), 96.0);
    EXPECT_TRUE(empty.isNull());
}

// A picture shown turned keeps its stored frame: the watermark drawn on it with its orientation, turned
// upright, is the watermark drawn on the picture turned upright first, to the pixel, in every corner,
// pushed partly out of the picture, in a style whose underline reaches past the ink; and it changes
// nothing outside the part it names.
TEST(WatermarkTest, DrawnOnTheStoredPictureItIsTheWatermarkOfTheUprightOne) {
    const QImage stored = testsupport::CameraLikePicture(301, 197, 4);
    struct TPlace {
        int Position, X, Y;
    };
    for (const TPlace place : {TPlace{0, 0, 0}, TPlace{1, 0, 0}, TPlace{2, 0, 0}, TPlace{3, 0, 0},
                               TPlace{3, 40, 25}, TPlace{0, -30, -12}, TPlace{2, 0, 300}}) {
        TSettingsValues settings = Defaults();
        settings.WatermarkPosition = place.Position;
        settings.WatermarkXOffset = place.X;
        settings.WatermarkYOffset = place.Y;
        settings.WatermarkFont.Style = place.X > 0 ? 1 | 2 | 4 : 0;  // bold, italic, underlined
        for (int orientation = 0; orientation <= 8; ++orientation) {
            SCOPED_TRACE(testing::Message() << "position " << place.Position << " offsets " << place.X << ","
                                            << place.Y << " orientation " << orientation);
            QImage expected = stored;
            ApplyExifOrientation(expected, orientation);
            DrawWatermark(expected, QStringLiteral("1234"), settings, 96.0);

            QImage drawn = stored;
            const QRect changed = DrawWatermark(drawn, QStringLiteral("1234"), settings, 96.0, orientation);
            QImage outside = drawn;
            QImage original = stored;
            if (!changed.isEmpty()) {
                QImage blank(changed.size(), stored.format());
                blank.fill(Qt::black);
                for (QImage* picture : {&outside, &original}) {
                    for (int y = 0; y < changed.height(); ++y) {
                        std::memcpy(picture->scanLine(changed.top() + y) + 4 * changed.left(),
                                    blank.constScanLine(y), size_t(4 * changed.width()));
                    }
                }
            }
            EXPECT_EQ(outside, original) << "changed outside " << testing::PrintToString(changed);
            ApplyExifOrientation(drawn, orientation);
            EXPECT_EQ(drawn, expected);
        }
    }
}

}  // namespace
