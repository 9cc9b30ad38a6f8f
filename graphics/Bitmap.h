#pragma once

#include <QImage>
#include <QList>

#include <optional>

// The decoded-picture model on QImage. A bitmap holds one of three pixel formats:
//   Grey8   8 bits per pixel with a 256-entry palette (QImage::Format_Indexed8);
//   Bgr24   24 bits per pixel, bytes blue, green, red (QImage::Format_BGR888);
//   Bgra32  32 bits per pixel, bytes blue, green, red, alpha. Its straight-alpha flag is the QImage
//           format: Format_ARGB32 when the alpha byte is meaningful (straight, not premultiplied),
//           Format_RGB32 when it is not (Qt then reads every pixel as opaque).
// The working picture that the raster operations take is always Bgra32.
enum class TPixelFormat { Grey8, Bgr24, Bgra32 };

// A new bitmap of the given size and format with undefined pixels; a Grey8 bitmap gets the grey
// palette. Null when the size is not positive or the memory cannot be had.
QImage NewBitmap(int width, int height, TPixelFormat format, bool straightAlpha = false);

// Entry i is red = green = blue = i, for all 256 entries.
const QList<QRgb>& GreyPalette();

// Which of the three formats `bitmap` is in; nothing for a null picture or any other QImage format.
std::optional<TPixelFormat> PixelFormatOf(const QImage& bitmap);

// True for a 32-bit bitmap whose alpha byte is meaningful.
bool HasStraightAlpha(const QImage& bitmap);

// The 32-bit working picture of any picture: Format_RGB32 for an opaque source, Format_ARGB32 (straight
// alpha) for one with an alpha channel, the pixels shared without a copy when it is one already. Any
// other QImage format (a colour palette, premultiplied or 16-bit channels, one bit per pixel) is
// converted too. A null picture stays null.
QImage ToWorkingPicture(const QImage& picture);
