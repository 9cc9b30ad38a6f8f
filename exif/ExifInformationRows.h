#pragma once

#include "ExifReader.h"

#include <QList>
#include <QString>

// One row of the EXIF window: a group heading ("Main IFD"), a value row ("   Camera make" with its
// value), or "No Exif metadata found". Headings and that row have an empty value.
struct TExifRow {
    QString Caption;
    QString Value;
    bool operator==(const TExifRow&) const = default;
};

// The rows of the EXIF window for a loaded block, in the window's order. A value row whose text is
// empty is left out, which is how absent tags disappear.
QList<TExifRow> ExifInformationRows(const ExifReader& reader);
