#pragma once

#include <QString>
#include <QStringList>

namespace brackwell {

// A file filter as the host writes it: "Description|*.jpg;*.jpeg" - one description, a bar, then
// wildcard patterns separated by semicolons. Text without a bar is taken as the pattern list alone;
// anything after a second bar is ignored.
struct TFileFilter {
    QString Description;
    QStringList Patterns;  // trimmed, without repeats (ignoring case); empty: every file
};

// `text` may be null (every file).
TFileFilter ParseFileFilter(const char16_t* text);

// The filter in the form QFileDialog takes: "Description (*.jpg *.jpeg)"; empty for every file.
QString QtNameFilter(const TFileFilter& filter);

}  // namespace brackwell
