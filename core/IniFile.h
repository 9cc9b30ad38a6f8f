#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The settings file store: an ini file (section lines "[Name]", then "Key=Value" lines) in UTF-16 LE
// with a byte-order mark and CR LF line ends.
//
// The whole file is read once at construction (a missing or unreadable file reads as empty) and kept
// as its lines, so that every section, key, comment and blank line that the program does not touch is
// written back exactly as it was. A key line is a line with '=' inside a section: the key stands
// before the first '=', the value after it. Lines starting with ';' are comments; lines before the
// first section belong to none. Section and key names compare without regard to case, and where a
// name repeats the first one counts; values are trimmed of surrounding blanks but otherwise read as
// they stand (quotes included). Save() writes through a temporary file and one rename.
//
// Only a regular file of at most MaxFileSize bytes is read; a FIFO or a device in its place is never
// opened. Nothing the file held is lost by a save: a file that exists but could not be read (too
// large, not a regular file, not readable) is never written over, Save() raises instead; a file that
// was read but not completely (see DecodeTextChecked: no byte-order mark, a NUL, invalid bytes) is
// first kept as it was beside itself, under BackupPath, then replaced.
//
// Reading rules: an integer is decimal text with an optional sign, or hexadecimal after "0x" (or "$");
// anything else, or a number outside the 32-bit range, yields the caller's default. A Boolean reads as
// the integer rule with the default 1 or 0 and is true when non-zero. Booleans are written as "1"/"0".
class TIniFile {
public:
    static constexpr qint64 MaxFileSize = qint64(1) << 20;

    explicit TIniFile(const QString& path);
    // A store over `bytes` as if they had been read from `path`; nothing is read from disk.
    static TIniFile FromBytes(const QString& path, const QByteArray& bytes);

    const QString& FileName() const { return Path; }

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    bool ReadBool(const QString& section, const QString& key, bool defaultValue) const;

    // Changes the value in place when the key exists (the first one, in the first section of that
    // name), else appends the key to the end of the section, else appends the section to the file.
    // Line breaks in a value are replaced by blanks, so a value can never add lines.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    // The file as it would be saved.
    QByteArray ToBytes() const;
    // Raises EFileError when the file cannot be written, or was not read; the old file then stays as
    // it was.
    void Save() const;

    // Where Save() keeps the file it replaces when that was not read completely.
    static QString BackupPath(const QString& path);

    // The parsing rule for integers, exposed for its own tests.
    static bool ParseInteger(const QString& text, int& value);

private:
    TIniFile() = default;
    // Line indices: the header of the first section of that name, the end of the section that starts
    // at `header` (the next header or the end of the file), the key's line in the first section of
    // that name. -1 when there is none.
    int FindSection(const QString& section) const;
    int SectionEnd(int header) const;
    int FindKeyLine(const QString& section, const QString& key) const;

    void Decode(const QByteArray& bytes);

    QString Path;
    QStringList Lines;
    // Why the file at Path could not be read; empty when it was read or is missing.
    QString ReadFailure;
    // The bytes of a file that was read but not completely, for its backup.
    std::optional<QByteArray> Unsettled;
};
