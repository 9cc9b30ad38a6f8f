#pragma once

#include "Exceptions.h"
#include "PictureMemory.h"

// A picture file that a reader cannot turn into a bitmap: unknown type, damaged data, a size that would
// need more memory than any picture may take, or no reader for its format here.
class EInvalidPicture : public EAppError {
public:
    using EAppError::EAppError;
};

// The message of the error that refuses such a picture.
QString PictureTooLargeMessage(qint64 width, qint64 height);
