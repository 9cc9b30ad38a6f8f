#include "BoxReduce.h"

#include <QColorSpace>

#include <algorithm>
#include <vector>

#include "Bitmap.h"
#include "ParallelBands.h"
#include "PictureMemory.h"

namespace {

// Pixels summed per thread that pay for one more thread.
constexpr double WorkPerThread = 4.0e6;

// The rows of boxes [first, end) of `target`: each box's pixels summed per byte, then divided.
template <int BytesPerPixel>
void ReduceRows(const TPixelRows& rows, int factorX, int factorY, bool keepFourth, QImage& target, int first,
                int end) {
    const int width = target.width();
    std::vector<quint32> sums(size_t(width) * 4);
    for (int boxY = first; boxY < end; ++boxY) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int top = boxY * factorY;
        const int bottom = std::min(top + factorY, rows.Height);
        for (int y = top; y < bottom; ++y) {
            const uchar* in = rows.Top + qsizetype(y) * rows.Stride;
            quint32* sum = sums.data();
            int x = 0;
            for (int boxX = 0; boxX < width; ++boxX, sum += 4) {
                const int right = std::min(x + factorX, rows.Width);
                quint32 b = 0, g = 0, r = 0, a = 0;
                for (; x < right; ++x, in += BytesPerPixel) {
                    b += in[0];
                    g += in[1];
                    r += in[2];
                    if constexpr (BytesPerPixel == 4) {
                        a += in[3];
                    }
                }
                sum[0] += b;
                sum[1] += g;
                sum[2] += r;
                sum[3] += a;
            }
        }
        auto* out = reinterpret_cast<quint32*>(target.scanLine(boxY));
        const quint32* sum = sums.data();
        for (int boxX = 0; boxX < width; ++boxX, sum += 4) {
            const int boxWidth = std::min(factorX, rows.Width - boxX * factorX);
            const quint32 count = quint32(boxWidth * (bottom - top));
            const auto average = [count](quint32 total) { return (total + count / 2) / count; };
            const quint32 alpha = keepFourth ? average(sum[3]) : 0xFFu;
            out[boxX] = average(sum[0]) | average(sum[1]) << 8 | average(sum[2]) << 16 | alpha << 24;
        }
    }
}

QImage Reduce(const TPixelRows& rows, int factorX, int factorY, QImage::Format format) {
    if (rows.Top == nullptr || rows.Width <= 0 || rows.Height <= 0 || factorX <= 0 || factorY <= 0) {
        return {};
    }
    const int width = (rows.Width + factorX - 1) / factorX;
    const int height = (rows.Height + factorY - 1) / factorY;
    QImage target = NewPicture(width, height, format);
    if (target.isNull()) {
        return target;
    }
    target.bits();  // detached here, once, not in the threads
    const bool keepFourth = format == QImage::Format_ARGB32;
    ForBands(height, double(rows.Width) * rows.Height / WorkPerThread, [&](int first, int end) {
        (rows.BytesPerPixel == 3 ? ReduceRows<3> : ReduceRows<4>)(rows, factorX, factorY, keepFourth, target,
                                                                  first, end);
    });
    return target;
}

}  // namespace

QImage BoxReduce(const TPixelRows& rows, int factorX, int factorY) {
    return Reduce(rows, factorX, factorY, QImage::Format_RGB32);
}

QImage BoxReduce(const QImage& picture, int factorX, int factorY) {
    const QImage working = ToWorkingPicture(picture);
    if (working.isNull()) {
        return {};
    }
    QImage reduced =
        Reduce({working.constBits(), working.bytesPerLine(), working.width(), working.height(), 4}, factorX,
               factorY, working.format());
    reduced.setColorSpace(picture.colorSpace());  // its colours are still the picture's
    return reduced;
}
