#pragma once

#include <QHash>
#include <QString>

#include <optional>

// The program's own version information: the file version, the file description and the company name.
// Linux executables carry no version resource, so the build writes the strings of this program into it
// (update/CMakeLists.txt); they stand for the version resource of whichever executable path is asked
// about, which is always the program's own file.

// The version strings by key: "FileVersion", "FileDescription", "CompanyName". An absent key is a string
// the version resource does not hold; an empty table is an executable without a version resource.
using TVersionStrings = QHash<QString, QString>;

// The strings the build provides (a build string left empty counts as absent).
TVersionStrings BuiltVersionStrings();

// Tests put other strings in place of the build's; std::nullopt restores the build's.
void SetVersionStrings(std::optional<TVersionStrings> strings);

// The "FileVersion" string, or "unknown version" when there is none.
QString ReadFileVersion(const QString& executablePath);

// The "FileDescription" string trimmed of blanks and control characters at both ends; when it is absent
// or nothing is left, the executable's file name with its extension, without the folder.
QString ReadFileDescription(const QString& executablePath);

// The "CompanyName" string trimmed like the description; empty when it is absent or blank.
QString ReadCompanyName(const QString& executablePath);
