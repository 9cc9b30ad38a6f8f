#include "Orientation.h"

#include <QImage>
#include <QTransform>

namespace {

// Qt takes its quarter-turn fast path (no interpolation) for these exact rotations.
QImage Rotated(const QImage& picture, int degreesClockwise) {
    return picture.transformed(QTransform().rotate(degreesClockwise));
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
        case 5:
            picture = Rotated(picture.mirrored(true, false), 270);
            break;
        case 6:
            picture = Rotated(picture, 90);
            break;
        case 7:
            picture = Rotated(picture.mirrored(true, false), 90);
            break;
        case 8:
            picture = Rotated(picture, 270);
            break;
        default:
            break;
    }
}
