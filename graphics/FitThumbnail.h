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
// empty source leaves only the background; the picture's colours are converted from its colour space to
// sRGB (ColourConversion.h), the background's are not; a size that is not positive gives a null destination.
// Always returns true.
//
// A large picture is first box-reduced by whole factors (ThumbnailReduction), which reads each of its
// pixels once, and the Lanczos pass then reduces by ThumbnailReductionGap or more: a thumbnail of a
// photograph stays within 40 dB of the exact Lanczos fit and costs a small part of it.
bool FitThumbnail(const QImage& source, QImage& destination, int width, int height, const QColor& background);

// The Lanczos pass reduces by at least this much after the box reduction.
inline constexpr double ThumbnailReductionGap = 2.0;

// The whole factors along x and y by which FitThumbnail box-reduces a picture of `source` size: the
// largest that leave the Lanczos pass a reduction of ThumbnailReductionGap or more into
// FitThumbnailRect, and at least 1.
QSize ThumbnailReduction(QSize source, int width, int height);

// FitThumbnail of a picture of `source` size given as its box-reduced copy (BoxReduce.h by
// ThumbnailReduction): for a decoder that reduces the picture as it converts it.
bool FitReducedThumbnail(const QImage& reduced, QSize source, QImage& destination, int width, int height,
                         const QColor& background);
