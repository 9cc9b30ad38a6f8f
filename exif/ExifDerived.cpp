#include "ExifDerived.h"

#include <cmath>

namespace {

constexpr auto Main = ExifDirectoryKind::Main;
constexpr auto Sub = ExifDirectoryKind::ExifSub;
constexpr auto Gps = ExifDirectoryKind::Gps;

bool HasValueOfType(const ExifReader& reader, ExifDirectoryKind kind, quint16 tag,
                    std::initializer_list<int> types) {
    const ExifEntry* entry = reader.Find(kind, tag);
    return entry && entry->Count > 0 && std::find(types.begin(), types.end(), entry->Type) != types.end();
}

// "YYYY:MM:DD" read by position; anything else gives no date.
std::optional<QDate> GpsDateStamp(const ExifReader& reader) {
    const QString text = reader.AsciiText(Gps, 29);
    if (text.size() != 10) {
        return std::nullopt;
    }
    bool yearOk = false, monthOk = false, dayOk = false;
    const QDate date(text.mid(0, 4).toInt(&yearOk), text.mid(5, 2).toInt(&monthOk),
                     text.mid(8, 2).toInt(&dayOk));
    if (!yearOk || !monthOk || !dayOk || !date.isValid()) {
        return std::nullopt;
    }
    return date;
}

}  // namespace

QString ExifAuthor(const ExifReader& reader) {
    const QString author = reader.XPText(0x9C9D);
    return author.isEmpty() ? reader.AsciiText(Main, 0x013B) : author;
}

QString ExifComments(const ExifReader& reader) {
    const QString comment = reader.XPText(0x9C9C);
    if (!comment.isEmpty()) {
        return comment;
    }
    const ExifEntry* entry = reader.Find(Sub, 0x9286);
    if (!entry || (entry->Type != ExifUndefined && entry->Type != ExifByte) || entry->Count <= 9) {
        return {};
    }
    const QByteArray bytes = reader.ValueBytes(*entry);
    const QByteArray prefix = bytes.left(8);
    QByteArray body = bytes.mid(8);
    QString text;
    if (prefix == QByteArray("UNICODE\0", 8)) {
        // Trailing blanks and 0s are dropped per character, so the last character keeps both bytes.
        for (qsizetype i = 0; i + 1 < body.size(); i += 2) {
            text.append(QChar(char16_t(quint8(body[i]) | (quint8(body[i + 1]) << 8))));
        }
        while (!text.isEmpty() && text.back().unicode() < 0x21) {
            text.chop(1);
        }
    } else if (prefix == QByteArray("ASCII\0\0\0", 8)) {
        while (!body.isEmpty() && quint8(body.back()) < 0x21) {
            body.chop(1);
        }
        text = DecodeExifText(body);
    }
    return text;
}

bool ExifHasFlashRows(const ExifReader& reader) {
    return HasValueOfType(reader, Sub, 0x9209, {ExifShort, ExifSShort}) ||
           HasValueOfType(reader, Sub, 0xA20B, {ExifRationalType, ExifSRational});
}

qint64 ExifFlashValue(const ExifReader& reader) {
    return reader.Integer(Sub, 0x9209);
}

QDate ExifDateOrigin() {
    return QDate(1970, 1, 1);
}

std::optional<QDateTime> ExifGpsDateTime(const ExifReader& reader) {
    std::optional<QDate> date = GpsDateStamp(reader);
    const auto dateAlone = [&]() -> std::optional<QDateTime> {
        return date ? std::optional<QDateTime>(QDateTime(*date, QTime(0, 0), Qt::UTC)) : std::nullopt;
    };
    double parts[3];
    for (int i = 0; i < 3; ++i) {
        const ExifRational value = reader.Rational(Gps, 7, i);
        if (value.Denominator == 0) {
            return dateAlone();
        }
        parts[i] = std::trunc(double(value.Numerator) / double(value.Denominator));
    }
    if (parts[0] >= 24 || parts[1] >= 60 || parts[2] >= 60) {
        return dateAlone();
    }
    const QTime time{int(parts[0]), int(parts[1]), int(parts[2])};
    if (!date) {
        std::optional<QDateTime> fallback = reader.DateTime(Main, 0x0132);
        if (!fallback) {
            fallback = reader.DateTime(Sub, 0x9003);
        }
        date = fallback ? fallback->date() : ExifDateOrigin();
    }
    return QDateTime(*date, time, Qt::UTC);
}

std::pair<int, int> ExifSubjectLocation(const ExifReader& reader) {
    const ExifEntry* entry = reader.Find(Sub, 0xA214);
    if (!entry || entry->Count < 2 || (entry->Type != ExifShort && entry->Type != ExifSShort)) {
        return {-1, -1};
    }
    const QList<qint64> values = reader.Integers(Sub, 0xA214);
    return {qint16(values[0]), qint16(values[1])};
}
