#pragma once

#include <QImage>

// A new, uninitialised picture for a decoder or a raster operation to fill. A large one gets its pixels in
// transparent huge pages: first touching the 96 MB of a 24-megapixel picture page by page costs a third of
// its JPEG decode, in 2 MB pages it costs little. Better still, the memory of a large picture that went
// away is kept for the next one of about its size (at most SparePictureBytes of it, which the kernel may
// take back whenever it needs memory more): a show that steps from photograph to photograph then writes
// every picture into pages that are there already. No picture is kept: only memory. A null image when
// the memory is not there.
QImage NewPicture(int width, int height, QImage::Format format);

// The most memory of pictures that went away that NewPicture keeps for the next ones: two 24-megapixel
// photographs.
constexpr qsizetype SparePictureBytes = qsizetype(192) << 20;

// How much such memory is kept now, and letting all of it go (a process that has gone idle).
qsizetype SparePictureMemory();
void ReleaseSparePictureMemory();

// The most memory a decoded picture may need. A few damaged header bytes can declare a picture of
// gigapixels; such files are refused before anything is allocated for them.
constexpr qint64 MaxPictureBytes = qint64(1) << 30;

// The most pixels of a picture: its 32-bit working copy (4 bytes a pixel) must fit in MaxPictureBytes.
constexpr qint64 MaxPicturePixels = MaxPictureBytes / 4;

// True when a picture of width x height pixels is larger than MaxPicturePixels.
inline bool PictureTooLarge(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width > MaxPicturePixels / height;
}
