#pragma once

#include <QImage>
#include <QRect>

#include <functional>

namespace testsupport {

// The smallest rectangle holding every pixel for which `wanted` is true; empty when there is none.
inline QRect PixelBox(const QImage& image, const std::function<bool(QRgb)>& wanted) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (wanted(line[x])) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

}  // namespace testsupport
