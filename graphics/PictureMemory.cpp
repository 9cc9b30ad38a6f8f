#include "PictureMemory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <iterator>
#include <mutex>
#include <vector>

namespace {

constexpr qsizetype HugePage = qsizetype(2) << 20;

// Below this the plain allocation is as fast, and rounding up to whole huge pages would waste memory.
constexpr qsizetype HugePagesFrom = 4 * HugePage;

// The memory of one large picture: whole huge pages.
struct TBlock {
    void* Pixels = nullptr;
    qsizetype Bytes = 0;
};

// Blocks of pictures that went away, kept for the next pictures of about their size. Their pages have
// been touched already, so a picture that reuses them is written at full speed; and they are given to
// the kernel to take back whenever it needs the memory more (MADV_FREE), in which case the next
// picture only touches fresh pages as it would have anyway.
class TSpareBlocks {
public:
    // A kept block of at least `bytes`, and not much more, or none; the one kept last first.
    TBlock Take(qsizetype bytes) {
        const std::lock_guard lock(Lock);
        for (auto it = Blocks.rbegin(); it != Blocks.rend(); ++it) {
            if (it->Bytes >= bytes && it->Bytes - bytes <= it->Bytes / 4) {
                const TBlock block = *it;
                Blocks.erase(std::next(it).base());
                Kept -= block.Bytes;
                return block;
            }
        }
        return {};
    }

    // Keeps the block, or frees it when that would keep more than SparePictureBytes; the oldest kept
    // blocks go first.
    void Give(TBlock block) {
        std::vector<TBlock> freed;
        if (block.Bytes <= SparePictureBytes) {
            madvise(block.Pixels, std::size_t(block.Bytes), MADV_FREE);
            const std::lock_guard lock(Lock);
            Blocks.push_back(block);
            Kept += block.Bytes;
            while (Kept > SparePictureBytes) {
                freed.push_back(Blocks.front());
                Kept -= Blocks.front().Bytes;
                Blocks.erase(Blocks.begin());
            }
        } else {
            freed.push_back(block);
        }
        for (const TBlock& old : freed) {
            std::free(old.Pixels);
        }
    }

    qsizetype Bytes() {
        const std::lock_guard lock(Lock);
        return Kept;
    }

    void ReleaseAll() {
        std::vector<TBlock> freed;
        {
            const std::lock_guard lock(Lock);
            freed.swap(Blocks);
            Kept = 0;
        }
        for (const TBlock& block : freed) {
            std::free(block.Pixels);
        }
    }

private:
    std::mutex Lock;
    std::vector<TBlock> Blocks;
    qsizetype Kept = 0;
};

TSpareBlocks& Spare() {
    static TSpareBlocks* spare = new TSpareBlocks;  // never destroyed: pictures may outlive statics
    return *spare;
}

void ReleasePixels(void* info) {
    auto* block = static_cast<TBlock*>(info);
    Spare().Give(*block);
    delete block;
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
    TBlock block = Spare().Take(rounded);
    if (block.Pixels == nullptr) {
        block = {std::aligned_alloc(HugePage, std::size_t(rounded)), rounded};
        if (block.Pixels == nullptr) {
            return {};
        }
        madvise(block.Pixels, std::size_t(rounded), MADV_HUGEPAGE);
    }
    auto* owner = new TBlock(block);
    return QImage(static_cast<uchar*>(block.Pixels), width, height, bytesPerLine, format, ReleasePixels,
                  owner);
}

qsizetype SparePictureMemory() {
    return Spare().Bytes();
}

void ReleaseSparePictureMemory() {
    Spare().ReleaseAll();
}
