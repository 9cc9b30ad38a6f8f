#pragma once

#include <QPixmap>
#include <QSize>

#include <vector>

// ImageListThumbnails: the 160 x 120 images that the list shows in thumbnail view. Indices handed out
// stay valid until the list is cleared; deleting entries leaves their images in place.
class TThumbnailImages {
public:
    static constexpr QSize ImageSize{160, 120};

    // Appends an image (copies of one pixmap share their pixels) and returns its index.
    int Add(const QPixmap& image);
    // Replaces the image at `index`; an index that is no longer valid is ignored.
    void Replace(int index, const QPixmap& image);
    void Clear() { Images.clear(); }

    int Count() const { return static_cast<int>(Images.size()); }
    QPixmap At(int index) const;

private:
    std::vector<QPixmap> Images;
};
