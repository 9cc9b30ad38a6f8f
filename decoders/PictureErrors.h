#pragma once

#include "Exceptions.h"

// A picture file that a reader cannot turn into a bitmap: unknown type, damaged data, a size that would
// need more memory than any picture may take, or no reader for its format here.
class EInvalidPicture : public EAppError {
public:
    using EAppError::EAppError;
};

// The most memory a decoded picture may need. A few damaged header bytes can declare a picture of
// gigapixels; such files are refused before anything is allocated for them.
constexpr qint64 MaxPictureBytes = qint64(1) << 30;

// The most pixels of a picture: its 32-bit working copy (4 bytes a pixel) must fit in MaxPictureBytes.
constexpr qint64 MaxPicturePixels = MaxPictureBytes / 4;

// True when a picture of width x height pixels is larger than MaxPicturePixels.
inline bool PictureTooLarge(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width > MaxPicturePixels / height;
}

// The message of the error that refuses such a picture.
QString PictureTooLargeMessage(qint64 width, qint64 height);
