// Colour profiles as pictures embed them (a JPEG's APP2 segments, a PNG's iCCP chunk, a HEIF file's
// colr box): read by Qt into the picture's colour space and by Little CMS for the conversion, both as a
// picture's own profile and as a monitor's, and as a CMYK JPEG's profile of its inks.
#include <QColorSpace>
#include <QImage>

#include <cstdint>

#include "ColourConversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    const QByteArray profile(reinterpret_cast<const char*>(data), qsizetype(size));
    QImage picture(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            picture.setPixel(x, y, qRgb(x * 40, y * 60, (x + y) * 20));
        }
    }
    QImage own = picture;
    ConvertColours(own, QColorSpace::fromIccProfile(profile), {}, QRect(1, 1, 4, 3));
    QImage onMonitor = picture;
    onMonitor.setColorSpace(QColorSpace(QColorSpace::SRgb));
    ConvertToDisplay(onMonitor, profile);
    QImage inks = picture;
    ConvertInvertedInks(inks, profile);
    return 0;
}
