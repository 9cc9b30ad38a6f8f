#pragma once

#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QRect>

// Colour management of shown pictures with Little CMS. A picture carries the colour space its file
// names (QImage::colorSpace(): an embedded ICC profile, or what a PNG's sRGB, gAMA and cHRM chunks say);
// a picture without one is taken as sRGB. The pixels are converted from that space to the display's
// profile (sRGB when the display names none) with the perceptual intent where they are shown: on the
// copy fitted to the screen or to a thumbnail, never on the full picture, so a 24-megapixel photograph
// costs a conversion of the screen's pixels only.

// True when pixels in `source` must be converted to show right on a display of `displayProfile` (an
// ICC profile; empty for sRGB): the source names a colour space and it is not the display's.
bool NeedsColourConversion(const QColorSpace& source, const QByteArray& displayProfile = {});

// Converts the opaque 32-bit pixels of `picture` (Format_RGB32 or Format_ARGB32; other formats are left
// alone) inside `area` (the whole picture when empty) from `source` to `displayProfile`, in place and
// on the processor's cores. The picture's colour space becomes the display's. Nothing happens when no
// conversion is needed or Little CMS cannot read either profile: the pixels are then shown as they are.
// Never raises.
void ConvertColours(QImage& picture, const QColorSpace& source, const QByteArray& displayProfile = {},
                    QRect area = {});

// The same for a picture that carries its colour space itself.
inline void ConvertToDisplay(QImage& picture, const QByteArray& displayProfile = {}, QRect area = {}) {
    ConvertColours(picture, picture.colorSpace(), displayProfile, area);
}

// Turns the ink values of a CMYK picture, stored in the bytes of a 32-bit picture in Adobe's inverted
// convention (as a JPEG reader gives them), into sRGB pixels through the CMYK profile `inks`, in place.
// False, with the pixels untouched, when the profile is not a CMYK profile Little CMS can read. Never
// raises.
bool ConvertInvertedInks(QImage& picture, const QByteArray& inks);
