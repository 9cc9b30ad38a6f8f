#include "ColourConversion.h"

#include <lcms2.h>

#include <QHash>

#include <array>
#include <memory>
#include <mutex>
#include <thread>

#include "ParallelBands.h"

namespace {

// Pixels of Format_RGB32 and Format_ARGB32 as bytes in memory.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr cmsUInt32Number PixelType = TYPE_BGRA_8;
#else
constexpr cmsUInt32Number PixelType = TYPE_ARGB_8;
#endif

struct TProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using TProfile = std::unique_ptr<void, TProfileCloser>;

TProfile OpenProfile(const QByteArray& icc) {
    if (icc.isEmpty()) {
        return TProfile(cmsCreate_sRGBProfile());
    }
    return TProfile(cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size())));
}

// One conversion from a source profile to a display's, made once and shared by every thread that shows
// pictures of that pair: without Little CMS's one-pixel cache, a transform may run on many threads.
class TTransform {
public:
    TTransform(const QByteArray& source, const QByteArray& display) {
        const TProfile from = OpenProfile(source);
        const TProfile to = OpenProfile(display);
        if (!from || !to || cmsGetColorSpace(from.get()) != cmsSigRgbData ||
            cmsGetColorSpace(to.get()) != cmsSigRgbData) {
            return;
        }
        Handle = cmsCreateTransform(from.get(), PixelType, to.get(), PixelType, INTENT_PERCEPTUAL,
                                    cmsFLAGS_NOCACHE | cmsFLAGS_COPY_ALPHA);
        Identity = Handle != nullptr && MapsEveryLevelToItself();
    }
    ~TTransform() {
        if (Handle != nullptr) {
            cmsDeleteTransform(Handle);
        }
    }
    TTransform(const TTransform&) = delete;
    TTransform& operator=(const TTransform&) = delete;

    // True when the conversion changes pixels: it exists and is not the identity (an sRGB-tagged picture
    // shown on an sRGB display comes through exactly as it is).
    bool Changes() const { return Handle != nullptr && !Identity; }

    void Run(uchar* row, int pixels) const { cmsDoTransform(Handle, row, row, cmsUInt32Number(pixels)); }

private:
    // Every level of each channel alone, and a grid of mixed colours, come back unchanged.
    bool MapsEveryLevelToItself() const {
        std::array<QRgb, 256 * 3 + 9 * 9 * 9> samples{};
        std::size_t n = 0;
        for (int level = 0; level < 256; ++level) {
            samples[n++] = qRgb(level, 0, 0);
            samples[n++] = qRgb(0, level, 0);
            samples[n++] = qRgb(0, 0, level);
        }
        for (int r = 0; r < 9; ++r) {
            for (int g = 0; g < 9; ++g) {
                for (int b = 0; b < 9; ++b) {
                    samples[n++] = qRgb(std::min(255, r * 32), std::min(255, g * 32), std::min(255, b * 32));
                }
            }
        }
        std::array<QRgb, samples.size()> converted{};
        cmsDoTransform(Handle, samples.data(), converted.data(), cmsUInt32Number(samples.size()));
        return samples == converted;
    }

    cmsHTRANSFORM Handle = nullptr;
    bool Identity = false;
};

// The transforms made lately, by source and display profile: a show uses few profiles, and making a
// transform costs more than converting a thumbnail.
class TTransformCache {
public:
    std::shared_ptr<const TTransform> Find(const QByteArray& source, const QByteArray& display) {
        QByteArray key;
        key.reserve(source.size() + display.size() + 16);
        key.append(QByteArray::number(source.size())).append('/').append(source).append(display);
        {
            const std::lock_guard lock(Mutex);
            if (const auto found = Transforms.constFind(key); found != Transforms.cend()) {
                return *found;
            }
        }
        auto made = std::make_shared<const TTransform>(source, display);
        const std::lock_guard lock(Mutex);
        if (Transforms.size() >= Kept) {
            Transforms.clear();
        }
        Transforms.insert(key, made);
        return made;
    }

private:
    static constexpr qsizetype Kept = 16;
    std::mutex Mutex;
    QHash<QByteArray, std::shared_ptr<const TTransform>> Transforms;
};

TTransformCache& Transforms() {
    static TTransformCache cache;
    return cache;
}

// Little CMS reports what it cannot read through this handler; the caller sees a failed transform.
void QuietErrors(cmsContext, cmsUInt32Number, const char*) {}

std::shared_ptr<const TTransform> TransformFor(const QColorSpace& source, const QByteArray& displayProfile) {
    static const bool quiet = [] {
        cmsSetLogErrorHandler(&QuietErrors);
        return true;
    }();
    Q_UNUSED(quiet);
    if (!source.isValid()) {
        return {};
    }
    const QByteArray icc = source.iccProfile();
    if (icc.isEmpty()) {
        return {};
    }
    return Transforms().Find(icc, displayProfile);
}

// Runs `convert(row, pixels)` over each row of `area` of the picture, in bands on the processor's cores
// when the area is big enough for a thread to be worth starting.
template <typename Convert>
void RunOnRows(QImage& picture, QRect area, const Convert& convert) {
    uchar* const first = picture.bits();  // detached here, before the threads share it
    const qsizetype stride = picture.bytesPerLine();
    const double threads = std::min(double(std::thread::hardware_concurrency()),
                                    double(area.width()) * area.height() / (256.0 * 1024.0) + 1.0);
    ForBands(area.height(), threads, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            convert(first + (area.top() + y) * stride + area.left() * 4, area.width());
        }
    });
}

}  // namespace

bool ConvertInvertedInks(QImage& picture, const QByteArray& inks) {
    if (picture.isNull() || picture.depth() != 32) {
        return false;
    }
    try {
        const TProfile from = OpenProfile(inks);
        const TProfile to = OpenProfile({});
        if (inks.isEmpty() || !from || !to || cmsGetColorSpace(from.get()) != cmsSigCmykData) {
            return false;
        }
        // Inverted: 0 is full ink, as Adobe's JPEG files store it.
        const cmsHTRANSFORM transform = cmsCreateTransform(from.get(), TYPE_CMYK_8_REV, to.get(), PixelType,
                                                           INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        if (transform == nullptr) {
            return false;
        }
        const std::unique_ptr<void, void (*)(cmsHTRANSFORM)> owner(transform, &cmsDeleteTransform);
        RunOnRows(picture, picture.rect(), [&](uchar* row, int pixels) {
            cmsDoTransform(transform, row, row, cmsUInt32Number(pixels));
            // The fourth byte had the black ink: the pixel is opaque.
            for (int x = 0; x < pixels; ++x) {
                row[x * 4 + 3] = 0xFF;
            }
        });
        picture.setColorSpace(QColorSpace(QColorSpace::SRgb));
        return true;
    } catch (...) {
        return false;
    }
}

bool NeedsColourConversion(const QColorSpace& source, const QByteArray& displayProfile) {
    if (!source.isValid()) {
        return false;
    }
    if (displayProfile.isEmpty() && source == QColorSpace(QColorSpace::SRgb)) {
        return false;
    }
    try {
        const std::shared_ptr<const TTransform> transform = TransformFor(source, displayProfile);
        return transform && transform->Changes();
    } catch (...) {
        return false;
    }
}

void ConvertColours(QImage& picture, const QColorSpace& source, const QByteArray& displayProfile,
                    QRect area) {
    if (picture.isNull() ||
        (picture.format() != QImage::Format_RGB32 && picture.format() != QImage::Format_ARGB32)) {
        return;
    }
    if (!source.isValid() || (displayProfile.isEmpty() && source == QColorSpace(QColorSpace::SRgb))) {
        return;
    }
    try {
        const std::shared_ptr<const TTransform> transform = TransformFor(source, displayProfile);
        if (!transform || !transform->Changes()) {
            return;
        }
        const QRect rows = (area.isEmpty() ? picture.rect() : area).intersected(picture.rect());
        if (rows.isEmpty()) {
            return;
        }
        RunOnRows(picture, rows, [&](uchar* row, int pixels) { transform->Run(row, pixels); });
        const QColorSpace shown = displayProfile.isEmpty() ? QColorSpace(QColorSpace::SRgb)
                                                           : QColorSpace::fromIccProfile(displayProfile);
        picture.setColorSpace(shown);
    } catch (...) {
        // Shown as it is rather than not at all.
    }
}
