#pragma once

#include <QImage>

// A new, uninitialised picture for a decoder or a raster operation to fill. A large one gets its pixels in transparent huge
// pages: first touching the 96 MB of a 24-megapixel picture page by page costs a third of its JPEG
// decode, in 2 MB pages it costs little. A null image when the memory is not there.
QImage NewPicture(int width, int height, QImage::Format format);
