#include "VersionInfo.h"

#include <QFileInfo>

#include <utility>

namespace {

const QString FileVersionKey = QStringLiteral("FileVersion");
const QString FileDescriptionKey = QStringLiteral("FileDescription");
const QString CompanyNameKey = QStringLiteral("CompanyName");

std::optional<TVersionStrings>& ReplacedStrings() {
    static std::optional<TVersionStrings> strings;
    return strings;
}

// The version string under `key`, or nothing when the resource does not hold it.
std::optional<QString> Lookup(const QString& key) {
    const TVersionStrings strings = ReplacedStrings() ? *ReplacedStrings() : BuiltVersionStrings();
    const auto found = strings.constFind(key);
    if (found == strings.cend()) {
        return std::nullopt;
    }
    return *found;
}

// Blanks and control characters are everything up to and including the space character.
QString TrimBlanksAndControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= u' ') {
        ++first;
    }
    while (last > first && text[last - 1].unicode() <= u' ') {
        --last;
    }
    return text.mid(first, last - first);
}

QString TrimmedLookup(const QString& key) {
    return TrimBlanksAndControls(Lookup(key).value_or(QString()));
}

}  // namespace

TVersionStrings BuiltVersionStrings() {
    TVersionStrings strings;
    const auto add = [&strings](const QString& key, const char* value) {
        if (*value != '\0') {
            strings.insert(key, QString::fromUtf8(value));
        }
    };
    add(FileVersionKey, ORVALIS_FILE_VERSION);
    add(FileDescriptionKey, ORVALIS_FILE_DESCRIPTION);
    add(CompanyNameKey, ORVALIS_COMPANY_NAME);
    return strings;
}

void SetVersionStrings(std::optional<TVersionStrings> strings) {
    ReplacedStrings() = std::move(strings);
}

QString ReadFileVersion(const QString& /*executablePath*/) {
    return Lookup(FileVersionKey).value_or(QStringLiteral("unknown version"));
}

QString ReadFileDescription(const QString& executablePath) {
    const QString description = TrimmedLookup(FileDescriptionKey);
    return description.isEmpty() ? QFileInfo(executablePath).fileName() : description;
}

QString ReadCompanyName(const QString& /*executablePath*/) {
    return TrimmedLookup(CompanyNameKey);
}
