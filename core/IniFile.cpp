#include "IniFile.h"

#include "Exceptions.h"
#include "FileUtils.h"
#include "TextFile.h"

#include <limits>

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "[Name]" once trimmed; the name is trimmed too.
bool IsSectionHeader(const QString& line, QString* name = nullptr) {
    const QString text = line.trimmed();
    if (text.size() < 2 || !text.startsWith(u'[') || !text.endsWith(u']')) {
        return false;
    }
    if (name != nullptr) {
        *name = text.mid(1, text.size() - 2).trimmed();
    }
    return true;
}

// A key line is any line with '=' that is neither a comment nor a section header; the key is what
// stands before the first '='. Returns the position of that '=', or -1.
qsizetype KeySeparator(const QString& line) {
    if (line.trimmed().startsWith(u';') || IsSectionHeader(line)) {
        return -1;
    }
    return line.indexOf(u'=');
}

// A name or value must stay on its own line: a line break would split it and a NUL would end the
// whole file when it is read again.
QString OnOneLine(QString text) {
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\0') {
            c = u' ';
        }
    }
    return text;
}

bool IsBlank(const QString& line) {
    return line.trimmed().isEmpty();
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

}  // namespace

TIniFile::TIniFile(const QString& path) : Path(path) {
    try {
        if (const std::optional<QByteArray> bytes = ReadRegularFile(path, MaxFileSize)) {
            Decode(*bytes);
        }
    } catch (const EFileError& error) {
        ReadFailure = error.Message;
    }
}

TIniFile TIniFile::FromBytes(const QString& path, const QByteArray& bytes) {
    TIniFile ini;
    ini.Path = path;
    ini.Decode(bytes);
    return ini;
}

void TIniFile::Decode(const QByteArray& bytes) {
    const TDecodedText decoded = DecodeTextChecked(bytes);
    Lines = SplitTextLines(decoded.Text);
    if (!decoded.Complete) {
        Unsettled = bytes;
    }
}

QString TIniFile::BackupPath(const QString& path) {
    return path + QStringLiteral(".bak");
}

int TIniFile::FindSection(const QString& section) const {
    const QString wanted = section.trimmed();
    QString name;
    for (int i = 0; i < Lines.size(); ++i) {
        if (IsSectionHeader(Lines[i], &name) && SameName(name, wanted)) {
            return i;
        }
    }
    return -1;
}

int TIniFile::SectionEnd(int header) const {
    for (int i = header + 1; i < Lines.size(); ++i) {
        if (IsSectionHeader(Lines[i])) {
            return i;
        }
    }
    return int(Lines.size());
}

int TIniFile::FindKeyLine(const QString& section, const QString& key) const {
    const int header = FindSection(section);
    if (header < 0) {
        return -1;
    }
    const QString wanted = key.trimmed();
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const qsizetype separator = KeySeparator(Lines[i]);
        if (separator >= 0 && SameName(Lines[i].left(separator).trimmed(), wanted)) {
            return i;
        }
    }
    return -1;
}

bool TIniFile::SectionExists(const QString& section) const {
    return FindSection(section) >= 0;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
    return FindKeyLine(section, key) >= 0;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    const int line = FindKeyLine(section, key);
    if (line < 0) {
        return defaultValue;
    }
    const QString& text = Lines[line];
    return text.mid(KeySeparator(text) + 1).trimmed();
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    int value = 0;
    return ParseInteger(ReadString(section, key, QString()), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QString cleanValue = OnOneLine(value);
    const int existing = FindKeyLine(section, key);
    if (existing >= 0) {
        // The key keeps the spelling the file gave it; only the value changes.
        const QString& text = Lines[existing];
        Lines[existing] = text.left(KeySeparator(text)).trimmed() + u'=' + cleanValue;
        return;
    }
    const QString keyLine = OnOneLine(key).trimmed() + u'=' + cleanValue;
    const int header = FindSection(section);
    if (header >= 0) {
        // After the section's last entry, so that the blank lines that part it from the next section
        // stay where they are.
        int at = SectionEnd(header);
        while (at > header + 1 && IsBlank(Lines[at - 1])) {
            --at;
        }
        Lines.insert(at, keyLine);
        return;
    }
    Lines.append(u'[' + OnOneLine(section).trimmed() + u']');
    Lines.append(keyLine);
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray TIniFile::ToBytes() const {
    return EncodeUtf16LeLines(Lines);
}

void TIniFile::Save() const {
    if (!ReadFailure.isEmpty()) {
        throw EFileError(QStringLiteral("Cannot write file \"%1\" without losing what it holds. %2")
                             .arg(Path, ReadFailure));
    }
    if (Unsettled) {
        WriteFileAtomically(BackupPath(Path), *Unsettled);
    }
    WriteFileAtomically(Path, ToBytes());
}

bool TIniFile::ParseInteger(const QString& text, int& value) {
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-')) {
        negative = trimmed[i] == u'-';
        ++i;
    }
    const QStringView digits = QStringView(trimmed).sliced(i);
    if (digits.isEmpty()) {
        return false;
    }

    // Hexadecimal takes up to eight digits and wraps into 32 bits, as a colour like 0xFFFFFFFF must
    // read back as the same bits (-1).
    qsizetype hexStart = -1;
    if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        hexStart = 2;
    } else if (digits.startsWith(u'$')) {
        hexStart = 1;
    }
    if (hexStart >= 0) {
        const QStringView hex = digits.sliced(hexStart);
        if (hex.isEmpty() || hex.size() > 8) {
            return false;
        }
        quint32 bits = 0;
        for (const QChar c : hex) {
            const int digit = HexDigit(c);
            if (digit < 0) {
                return false;
            }
            bits = bits << 4 | quint32(digit);
        }
        value = int(negative ? 0u - bits : bits);
        return true;
    }

    // Decimal must fit the 32-bit range; the magnitude is checked as it grows, so any length of text
    // is safe.
    const qint64 limit =
        negative ? qint64(std::numeric_limits<int>::max()) + 1 : std::numeric_limits<int>::max();
    qint64 magnitude = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') {
            return false;
        }
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > limit) {
            return false;
        }
    }
    value = int(negative ? -magnitude : magnitude);
    return true;
}
