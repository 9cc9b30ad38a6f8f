#pragma once

#include <QImage>

#include "Orientation.h"

// Where a shown picture goes: a preview window's picture surface. It takes the picture wholesale; a
// null picture shows only the black background.
class TPictureSink {
public:
    virtual ~TPictureSink() = default;
    virtual void SetPicture(const QImage& picture) = 0;
    // The picture as stored, to be shown turned upright by its EXIF orientation (Orientation.h). A sink
    // that can turn only what it shows (a fitted copy) takes it as it is; this one turns it whole.
    virtual void SetOrientedPicture(const QImage& picture, int orientation) {
        QImage upright = picture;
        ApplyExifOrientation(upright, orientation);
        SetPicture(upright);
    }
    // The size the sink would fit a picture of `upright` size to now, so that a caller may make that copy
    // while the picture is still being decoded; an empty size when it has no use for one.
    virtual QSize FittedSize(QSize upright) const {
        Q_UNUSED(upright);
        return {};
    }
    // The picture as stored with its copy fitted to FittedSize already (as stored too: the sink turns it),
    // made with the sink's own resampler. A sink that cannot use the copy fits the picture itself.
    virtual void SetFittedPicture(const QImage& picture, int orientation, const QImage& fitted) {
        Q_UNUSED(fitted);
        SetOrientedPicture(picture, orientation);
    }
};
