#pragma once

#include <QImage>

// A new, uninitialised picture for a decoder or a raster operation to fill. A large one gets its pixels in
// transparent huge pages: first touching the 96 MB of a 24-megapixel picture page by page costs a third of
// its JPEG decode, in 2 MB pages it costs little. A null image when the memory is not there.
QImage NewPicture(int width, int height, QImage::Format format);

// The most memory a decoded picture may need. A few damaged header bytes can declare a picture of
// gigapixels; such files are refused before anything is allocated for them.
constexpr qint64 MaxPictureBytes = qint64(1) << 30;

// The most pixels of a picture: its 32-bit working copy (4 bytes a pixel) must fit in MaxPictureBytes.
constexpr qint64 MaxPicturePixels = MaxPictureBytes / 4;

// True when a picture of width x height pixels is larger than MaxPicturePixels.
inline bool PictureTooLarge(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width > MaxPicturePixels / height;
}
