#include "Orientation.h"

#include <QImage>
#include <QTransform>

#include <algorithm>

#include "ParallelBands.h"
#include "PictureMemory.h"

namespace {

// A quarter turn of a 32-bit picture, with or without a mirror: target pixel (x, y) is source pixel
// (mirrorX ? W - 1 - y : y, mirrorY ? H - 1 - x : x), W x H being the source's size. Done in tiles small
// enough for the cache, bands of target rows on the processor's cores: the picture may be 100 MB.
QImage QuarterTurn32(const QImage& source, bool mirrorX, bool mirrorY) {
    const int width = source.width(), height = source.height();
    QImage target = NewPicture(height, width, source.format());
    if (target.isNull()) {
        return target;
    }
    constexpr int Tile = 32;
    const uchar* const bits = source.constBits();
    const qsizetype sourceStride = source.bytesPerLine();
    uchar* const targetBits = target.bits();  // detached here, once, not per row in the threads
    const qsizetype targetStride = target.bytesPerLine();
    const auto band = [&](int first, int end) {
        for (int tileY = first; tileY < end; tileY += Tile) {
            const int tileEndY = std::min(tileY + Tile, end);
            for (int tileX = 0; tileX < height; tileX += Tile) {
                const int tileEndX = std::min(tileX + Tile, height);
                for (int y = tileY; y < tileEndY; ++y) {
                    const int sourceX = mirrorX ? width - 1 - y : y;
                    auto* out = reinterpret_cast<quint32*>(targetBits + y * targetStride);
                    for (int x = tileX; x < tileEndX; ++x) {
                        const int sourceY = mirrorY ? height - 1 - x : x;
                        out[x] = reinterpret_cast<const quint32*>(bits + sourceY * sourceStride)[sourceX];
                    }
                }
            }
        }
    };
    // Bands start on tile rows, so that no two threads share a tile.
    const int tileRows = (width + Tile - 1) / Tile;
    ForBands(tileRows, double(width) * height / 4.0e6,
             [&](int first, int end) { band(first * Tile, std::min(end * Tile, width)); });
    return target;
}

// Other formats are rare here (the working picture is 32-bit): Qt's quarter turns, which take their
// exact fast path (no interpolation) for these rotations.
QImage QuarterTurn(const QImage& picture, bool mirrorX, bool mirrorY) {
    if (picture.depth() == 32) {
        return QuarterTurn32(picture, mirrorX, mirrorY);
    }
    // A mirror along x first, then a clockwise turn when the target's x runs up the source.
    const QImage from = mirrorX == mirrorY ? picture.mirrored(true, false) : picture;
    return from.transformed(QTransform().rotate(mirrorY ? 90 : 270));
}

}  // namespace

void ApplyExifOrientation(QImage& picture, int orientation) {
    if (picture.isNull()) {
        return;
    }
    switch (orientation) {
        case 2:
            picture.mirror(true, false);
            break;
        case 3:
            picture.mirror(true, true);
            break;
        case 4:
            picture.mirror(false, true);
            break;
        case 5:  // mirrored, then a quarter turn counter-clockwise: the transpose
            picture = QuarterTurn(picture, false, false);
            break;
        case 6:  // a quarter turn clockwise
            picture = QuarterTurn(picture, false, true);
            break;
        case 7:  // mirrored, then a quarter turn clockwise
            picture = QuarterTurn(picture, true, true);
            break;
        case 8:  // a quarter turn counter-clockwise
            picture = QuarterTurn(picture, true, false);
            break;
        default:
            break;
    }
}

bool IsQuarterTurn(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

QSize UprightSize(QSize stored, int orientation) {
    return IsQuarterTurn(orientation) ? stored.transposed() : stored;
}

int InverseOrientation(int orientation) {
    return orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
}

QPoint StoredPoint(QPoint upright, QSize stored, int orientation) {
    const int u = upright.x(), v = upright.y();
    const int right = stored.width() - 1, bottom = stored.height() - 1;
    switch (orientation) {
        case 2:
            return {right - u, v};
        case 3:
            return {right - u, bottom - v};
        case 4:
            return {u, bottom - v};
        case 5:
            return {v, u};
        case 6:
            return {v, bottom - u};
        case 7:
            return {right - v, bottom - u};
        case 8:
            return {right - v, u};
        default:
            return upright;
    }
}

QRect StoredRect(const QRect& upright, QSize stored, int orientation) {
    if (upright.isEmpty()) {
        return {};
    }
    const QPoint a = StoredPoint(upright.topLeft(), stored, orientation);
    const QPoint b = StoredPoint(upright.bottomRight(), stored, orientation);
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())));
}
