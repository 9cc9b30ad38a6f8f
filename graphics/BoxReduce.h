#pragma once

#include <QImage>

// Pixel rows as a decoder holds them: Height rows of Width pixels, the top one at Top and each next one
// Stride bytes further on (a negative stride for a picture stored bottom up), BytesPerPixel 3 (blue,
// green, red) or 4 (blue, green, red and a byte that is not used).
struct TPixelRows {
    const uchar* Top = nullptr;
    qsizetype Stride = 0;
    int Width = 0;
    int Height = 0;
    int BytesPerPixel = 4;
};

// The opaque 32-bit working picture (QImage::Format_RGB32, Bitmap.h) of the rows, every pixel the
// rounded average of a box of factorX x factorY pixels, the boxes laid from the top left corner; those
// at the right and bottom edges average the pixels left there. The result is ceil(Width / factorX) x
// ceil(Height / factorY) pixels; with factors of 1, the rows converted pixel for pixel. One pass over
// the rows, which is all the work of a reduction by large factors. Null when the memory is not there.
QImage BoxReduce(const TPixelRows& rows, int factorX, int factorY);

// The same for a picture of any format, made a working picture first; all four bytes are averaged, so
// a picture with straight alpha keeps it.
QImage BoxReduce(const QImage& picture, int factorX, int factorY);
