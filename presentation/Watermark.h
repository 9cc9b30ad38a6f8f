#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

#include "SettingsValues.h"

class QImage;

// The text cut out of a file name: `length` characters of the name (without its folder) starting at
// the 1-based position `start`; a start below 1 counts as 1, a start past the end gives no text, and
// the text stops at the end of the name.
QString WatermarkText(const QString& fileName, int start, int length);

// A stored 0x00BBGGRR colour, opaque; a system colour (high bit set) resolves to its current value.
QColor ColorFromSettings(int storedColor);

// The settings font as a font (point size, within its range, and style bits), and the style bits of a
// font.
QFont FontFromSettings(const TWatermarkFont& font);
int FontStyleBits(const QFont& font);

// The watermark's font: every attribute of the settings font, its size times the multiplier, in pixels
// at `dotsPerInch` (24 points are 32 pixels at 96 dots per inch). The size and the multiplier are taken
// within their ranges (SettingsValues.h).
QFont WatermarkFont(const TWatermarkFont& font, int multiplier, double dotsPerInch);

// Where the text's top-left corner goes for a position 0 to 3 (top left, top right, bottom left,
// bottom right), keeping 2 pixels to the left, 1 at the top and 3 to the right and bottom; the offsets
// keep their sign in every corner. No place for any other position.
std::optional<QPoint> WatermarkPlacement(int position, QSize picture, QSize text, int xOffset, int yOffset);

// Draws the text, and its shadow 5 pixels right of and below it in opaque black when the shadow is
// on, onto the 32-bit picture in place. Nothing is drawn for an empty text, a null picture or a
// position without a place.
//
// `picture` may be given as stored, with the EXIF orientation that turns it upright (Orientation.h):
// the text is then placed in the upright picture's corner and drawn upright, exactly as on the picture
// turned first, but only the few pixels around it are turned, never the whole picture.
//
// Returns the part of `picture` (as given) that the drawing may have changed; empty when it drew nothing.
QRect DrawWatermark(QImage& picture, const QString& text, const TSettingsValues& settings, double dotsPerInch,
                    int orientation = 1);
