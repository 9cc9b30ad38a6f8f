#pragma once

#include "ExifReader.h"

#include <QDateTime>
#include <QString>

#include <optional>

// Values the EXIF window shows that combine several tags.

// XPAuthor of the main directory, else Artist.
QString ExifAuthor(const ExifReader& reader);
// XPComment of the main directory, else the UserComment of the Exif sub-IFD with a "UNICODE" or
// "ASCII" character code.
QString ExifComments(const ExifReader& reader);
// The flash rows exist when Flash is a SHORT or SSHORT value or FlashEnergy a rational.
bool ExifHasFlashRows(const ExifReader& reader);
qint64 ExifFlashValue(const ExifReader& reader);
// GPSDateStamp and GPSTimeStamp; a time without a date stamp takes the date of DateTime or
// DateTimeOriginal, else the date origin below.
std::optional<QDateTime> ExifGpsDateTime(const ExifReader& reader);
// The date a GPS time without any date is shown on.
QDate ExifDateOrigin();
// The first two values of SubjectLocation as signed 16-bit numbers; -1 and -1 when unusable.
std::pair<int, int> ExifSubjectLocation(const ExifReader& reader);
