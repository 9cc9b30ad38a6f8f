#include "ThumbnailImages.h"

int TThumbnailImages::Add(const QPixmap& image) {
    Images.push_back(image);
    return Count() - 1;
}

void TThumbnailImages::Replace(int index, const QPixmap& image) {
    if (index >= 0 && index < Count()) {
        Images[index] = image;
    }
}

QPixmap TThumbnailImages::At(int index) const {
    return index >= 0 && index < Count() ? Images[index] : QPixmap();
}
