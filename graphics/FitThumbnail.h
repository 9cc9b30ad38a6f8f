#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

// Where a picture of `source` size lands in a box of width x height: scaled by
// f = min(width / source width, height / source height), but never enlarged when it is smaller than
// the box in both directions, and centred. left = trunc((width - f * source width) / 2),
// top = trunc((height - f * source height) / 2), right = trunc(f * source width + left),
// bottom = trunc(f * source height + top), with right and bottom exclusive. Empty for an empty source.
QRect FitThumbnailRect(QSize source, int width, int height);

// Makes `destination` a width x height opaque 32-bit picture filled with `background` (its alpha is
// ignored) with `source` drawn opaque into FitThumbnailRect, scaled with the Lanczos resampler. An
// empty source leaves only the background; a size that is not positive gives a null destination.
// Always returns true.
bool FitThumbnail(const QImage& source, QImage& destination, int width, int height, const QColor& background);
