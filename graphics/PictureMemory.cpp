#include "PictureMemory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace {

constexpr qsizetype HugePage = qsizetype(2) << 20;

// Below this the plain allocation is as fast, and rounding up to whole huge pages would waste memory.
constexpr qsizetype HugePagesFrom = 4 * HugePage;

void FreePixels(void* pixels) {
    std::free(pixels);
}

}  // namespace

QImage NewPicture(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qsizetype bytesPerLine = (qsizetype(width) * depth + 31) / 32 * 4;
    const qsizetype bytes = bytesPerLine * height;
    if (bytes < HugePagesFrom) {
        return QImage(width, height, format);
    }
    const qsizetype rounded = (bytes + HugePage - 1) / HugePage * HugePage;
    void* pixels = std::aligned_alloc(HugePage, std::size_t(rounded));
    if (pixels == nullptr) {
        return {};
    }
    madvise(pixels, std::size_t(rounded), MADV_HUGEPAGE);
    return QImage(static_cast<uchar*>(pixels), width, height, bytesPerLine, format, FreePixels, pixels);
}
