#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

#include "Orientation.h"

namespace {

// A 3 x 2 picture whose pixels are the letters a..f, row by row, held in the blue byte.
QImage Letters(QImage::Format format) {
    QImage picture(3, 2, format);
    for (int i = 0; i < 6; ++i) {
        picture.setPixel(i % 3, i / 3, qRgba(0, 0, 'a' + i, 255));
    }
    return picture;
}

// The rows of a letter picture joined with '/'.
std::string Rows(const QImage& picture) {
    std::string rows;
    for (int y = 0; y < picture.height(); ++y) {
        rows += y > 0 ? "/" : "";
        for (int x = 0; x < picture.width(); ++x) {
            rows += char(qBlue(picture.pixel(x, y)));
        }
    }
    return rows;
}

TEST(OrientationTest, EachExifValueTurnsThePictureUpright) {
    struct Case {
        int Orientation;
        std::string Expected;
    };
    const std::vector<Case> cases = {
        {1, "abc/def"},  {2, "cba/fed"},  {3, "fed/cba"}, {4, "def/abc"}, {5, "ad/be/cf"}, {6, "da/eb/fc"},
        {7, "fc/eb/da"}, {8, "cf/be/ad"}, {0, "abc/def"}, {9, "abc/def"}, {-1, "abc/def"}, {65535, "abc/def"},
    };
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_BGR888}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.Orientation);
            QImage picture = Letters(format);
            ApplyExifOrientation(picture, c.Orientation);
            EXPECT_EQ(Rows(picture), c.Expected);
            EXPECT_EQ(picture.format(), format);
        }
    }
    QImage empty;
    ApplyExifOrientation(empty, 6);
    EXPECT_TRUE(empty.isNull());
}

// Quarter turns of a picture large enough to span many tiles and to be split over threads, with odd
// sides so that the last tiles are partial: every pixel lands where the turn says.
TEST(OrientationTest, QuarterTurnsOfALargePictureMoveEveryPixel) {
    constexpr int Width = 4001, Height = 2003;
    QImage source(Width, Height, QImage::Format_RGB32);
    for (int y = 0; y < Height; ++y) {
        auto* row = reinterpret_cast<quint32*>(source.scanLine(y));
        for (int x = 0; x < Width; ++x) {
            row[x] = quint32(y * Width + x);
        }
    }
    struct Case {
        int Orientation;
        bool MirrorX, MirrorY;  // target (x, y) = source (MirrorX ? W-1-y : y, MirrorY ? H-1-x : x)
    };
    for (const Case& c :
         {Case{5, false, false}, Case{6, false, true}, Case{7, true, true}, Case{8, true, false}}) {
        SCOPED_TRACE(c.Orientation);
        QImage picture = source;
        ApplyExifOrientation(picture, c.Orientation);
        ASSERT_EQ(picture.size(), QSize(Height, Width));
        int wrong = 0;
        for (int y = 0; y < Width; ++y) {
            const auto* row = reinterpret_cast<const quint32*>(picture.constScanLine(y));
            for (int x = 0; x < Height; ++x) {
                const int sourceX = c.MirrorX ? Width - 1 - y : y;
                const int sourceY = c.MirrorY ? Height - 1 - x : x;
                wrong += row[x] != quint32(sourceY * Width + sourceX);
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// The upright picture's pixels come from the stored pixels that StoredPoint names, its rectangles from
// StoredRect, and the inverse orientation turns the upright picture back into the stored one.
TEST(OrientationTest, EveryUprightPixelIsFoundInTheStoredPicture) {
    constexpr int Width = 7, Height = 4;
    QImage stored(Width, Height, QImage::Format_RGB32);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            stored.setPixel(x, y, quint32(y * Width + x));
        }
    }
    for (int orientation = 0; orientation <= 9; ++orientation) {
        SCOPED_TRACE(orientation);
        QImage upright = stored;
        ApplyExifOrientation(upright, orientation);
        ASSERT_EQ(upright.size(), UprightSize(stored.size(), orientation));
        EXPECT_EQ(IsQuarterTurn(orientation), upright.size() != stored.size());
        for (int v = 0; v < upright.height(); ++v) {
            for (int u = 0; u < upright.width(); ++u) {
                const QPoint at = StoredPoint(QPoint(u, v), stored.size(), orientation);
                ASSERT_EQ(upright.pixel(u, v), stored.pixel(at)) << u << "," << v;
            }
        }
        // A rectangle of the upright picture: turned back from there, it is that part of the stored one.
        const QRect part(1, 2, 2, 1);
        QImage piece = stored.copy(StoredRect(part, stored.size(), orientation));
        ApplyExifOrientation(piece, orientation);
        EXPECT_EQ(piece, upright.copy(part));

        ApplyExifOrientation(upright, InverseOrientation(orientation));
        EXPECT_EQ(upright, stored);
    }
    EXPECT_TRUE(StoredRect(QRect(), stored.size(), 6).isEmpty());
}

}  // namespace
