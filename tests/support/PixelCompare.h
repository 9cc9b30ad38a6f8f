#pragma once

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace testsupport {

// The peak signal-to-noise ratio of two pictures of the same size over their red, green and blue bytes,
// in decibels; 99 for equal pictures.
inline double PsnrRgb(const QImage& a, const QImage& b) {
    double squares = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                squares += double(d) * d;
            }
        }
    }
    const double mse = squares / (3.0 * a.width() * a.height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// The largest difference of a byte of two 32-bit pictures of the same size and format; -1 when their
// sizes or formats differ.
inline int MaxByteDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.format() != b.format() || a.depth() != 32) {
        return -1;
    }
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        for (int i = 0; i < a.width() * 4; ++i) {
            largest = std::max(largest, std::abs(int(p[i]) - int(q[i])));
        }
    }
    return largest;
}

// How many pixels of two pictures of the same size differ.
inline int DifferingPixels(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return differing;
}

}  // namespace testsupport
