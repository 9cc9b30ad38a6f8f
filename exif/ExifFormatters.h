#pragma once

#include "ExifReader.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// The texts of the EXIF window's Value column. Every function returns a text; an empty text means
// that there is nothing to show and the window leaves the row out. Only the decimal separator and the
// long date and time formats follow the user's regional settings (QLocale::system()).

// x rounded to p significant digits: fixed notation for decimal exponents -3 to p, else scientific
// with "E", a sign only when negative and at least three exponent digits ("1E-005", "1.235E004").
QString GeneralNumberText(double x, int precision = 15);

// "%g %s": always a blank before the unit, so an empty unit leaves a trailing blank. Empty when the
// denominator is 0.
QString UnsignedRationalText(ExifRational value, const QString& unit);
QString SignedRationalText(ExifRational value);
// 1000 / 2^Tv written with 4 digits and " milliseconds"; Tv is the APEX shutter speed value.
QString ShutterSpeedText(ExifRational tv);
// The long date, " at ", the long time; empty when absent.
QString DateTimeText(const std::optional<QDateTime>& value);
QString GPSCoordinateText(const ExifCoordinate& coordinate);
QString ResolutionText(const ExifResolution& resolution);
QString SubjectLocationText(int x, int y);
QString YesNoText(bool value);
QString IntegerText(qint64 value);
QString ByteOrderText(ExifByteOrder order);
// The bytes at s, s + 1 and s + 2 as major, minor and release; ASCII digits count as their value.
QString VersionText(const std::optional<std::array<quint8, 4>>& bytes, int start);
QString ISOSpeedText(const QList<qint64>& values);
// "Yes", or "No: " and the problems joined by ", ". thumbnailEmpty only for the thumbnail directory.
QString LoadStateText(const ExifDirectory& directory, bool thumbnailEmpty = false);
QString UnrecognisedText(qint64 code);
