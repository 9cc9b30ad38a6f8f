#pragma once

#include <QImage>

// Where a shown picture goes: a preview window's picture surface. It takes the picture wholesale; a
// null picture shows only the black background.
class TPictureSink {
public:
    virtual ~TPictureSink() = default;
    virtual void SetPicture(const QImage& picture) = 0;
};
