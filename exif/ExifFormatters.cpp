#include "ExifFormatters.h"

#include "ExifVocabularies.h"

#include <QLocale>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

QString DecimalSeparator() {
    return QLocale::system().decimalPoint();
}

// numerator / denominator read unsigned, 0 when the denominator is 0.
double UnsignedQuotient(ExifRational value) {
    return value.Denominator == 0 ? 0.0 : double(value.Numerator) / double(value.Denominator);
}

// The user's long time format without its time-zone field: EXIF times carry no zone, and the zone
// Qt would print is the viewer's, not the camera's.
QString LongTimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (!quoted && c == QLatin1Char('t')) {
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

double SignedQuotient(ExifRational value) {
    return double(qint32(value.Numerator)) / double(qint32(value.Denominator));
}

}  // namespace

QString GeneralNumberText(double x, int precision) {
    const int p = std::clamp(precision, 1, 17);
    if (std::isnan(x)) {
        return QStringLiteral("NAN");
    }
    if (std::isinf(x)) {
        return x < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    }
    if (x == 0) {
        return QStringLiteral("0");
    }
    // The C library rounds to p significant digits: "d.ddde+XX".
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", p - 1, std::fabs(x));
    const char* e = std::strchr(buffer, 'e');
    QString digits = QString::fromLatin1(buffer, 1);
    if (p > 1) {
        digits += QString::fromLatin1(buffer + 2, int(e - buffer - 2));
    }
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0'))) {
        digits.chop(1);
    }
    const int exponent = std::atoi(e + 1) + 1;  // x = 0.d1d2...dn x 10^exponent
    const QString separator = DecimalSeparator();

    QString text = x < 0 ? QStringLiteral("-") : QString();
    if (exponent >= -3 && exponent <= p) {
        if (exponent > 0) {
            text += digits.left(exponent).leftJustified(exponent, QLatin1Char('0'));
            if (digits.size() > exponent) {
                text += separator + digits.mid(exponent);
            }
        } else {
            text += QStringLiteral("0") + separator + QString(-exponent, QLatin1Char('0')) + digits;
        }
        return text;
    }
    text += digits.left(1);
    if (digits.size() > 1) {
        text += separator + digits.mid(1);
    }
    const int shown = exponent - 1;
    text += QStringLiteral("E") + (shown < 0 ? QStringLiteral("-") : QString()) +
            QString::number(std::abs(shown)).rightJustified(3, QLatin1Char('0'));
    return text;
}

QString UnsignedRationalText(ExifRational value, const QString& unit) {
    if (value.Denominator == 0) {
        return {};
    }
    return GeneralNumberText(UnsignedQuotient(value)) + QLatin1Char(' ') + unit;
}

QString SignedRationalText(ExifRational value) {
    return value.Denominator == 0 ? QString() : GeneralNumberText(SignedQuotient(value));
}

QString ShutterSpeedText(ExifRational tv) {
    if (tv.Denominator == 0) {
        return {};
    }
    const double milliseconds = 1000.0 / std::exp2(SignedQuotient(tv));
    if (milliseconds == 0) {
        return {};
    }
    return GeneralNumberText(milliseconds, 4) + QStringLiteral(" milliseconds");
}

QString DateTimeText(const std::optional<QDateTime>& value) {
    if (!value || !value->isValid()) {
        return {};
    }
    const QLocale locale = QLocale::system();
    return locale.toString(value->date(), QLocale::LongFormat) + QStringLiteral(" at ") +
           locale.toString(value->time(), LongTimeFormatWithoutZone(locale));
}

QString GPSCoordinateText(const ExifCoordinate& coordinate) {
    if (coordinate.Absent()) {
        return {};
    }
    QString compass;
    switch (coordinate.Reference) {
        case 'N':
            compass = QStringLiteral("north");
            break;
        case 'S':
            compass = QStringLiteral("south");
            break;
        case 'E':
            compass = QStringLiteral("east");
            break;
        case 'W':
            compass = QStringLiteral("west");
            break;
        default:
            break;
    }
    return GeneralNumberText(UnsignedQuotient(coordinate.Degrees)) + QStringLiteral("°, ") +
           GeneralNumberText(UnsignedQuotient(coordinate.Minutes)) + QStringLiteral(" minutes and ") +
           GeneralNumberText(UnsignedQuotient(coordinate.Seconds)) + QStringLiteral(" seconds ") + compass;
}

QString ResolutionText(const ExifResolution& resolution) {
    if (!resolution.Present) {
        return {};
    }
    return GeneralNumberText(UnsignedQuotient(resolution.X)) + QStringLiteral(" x ") +
           GeneralNumberText(UnsignedQuotient(resolution.Y)) + QLatin1Char(' ') +
           ResolutionUnitText(resolution.Unit);
}

QString SubjectLocationText(int x, int y) {
    if (x == -1 && y == -1) {
        return {};
    }
    return QStringLiteral("(%1, %2)").arg(x).arg(y);
}

QString YesNoText(bool value) {
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString IntegerText(qint64 value) {
    return value == 0 ? QString() : QString::number(value);
}

QString ByteOrderText(ExifByteOrder order) {
    return order == ExifByteOrder::LittleEndian ? QStringLiteral("Intel (small endian)")
                                                : QStringLiteral("Motorola (big endian)");
}

QString VersionText(const std::optional<std::array<quint8, 4>>& bytes, int start) {
    if (!bytes || start < 0 || start > 1) {
        return {};
    }
    const auto part = [&](int i) {
        const int b = (*bytes)[start + i];
        return b >= 48 ? b - 48 : b;
    };
    if (part(0) == 0) {
        return {};
    }
    return QString::number(part(0)) + DecimalSeparator() + QString::number(part(1)) +
           QString::number(part(2));
}

QString ISOSpeedText(const QList<qint64>& values) {
    QStringList parts;
    for (qint64 value : values) {
        parts.append(QString::number(value));
    }
    return parts.join(QLatin1Char(','));
}

QString LoadStateText(const ExifDirectory& directory, bool thumbnailEmpty) {
    QString problems;
    if (directory.BadOffset) {
        problems += QStringLiteral(", bad IFD offset");
    }
    if (directory.BadTagCount) {
        problems += QStringLiteral(", bad tag count");
    }
    if (directory.BadTagHeaders) {
        problems += QStringLiteral(", one or more bad tag headers");
    }
    if (thumbnailEmpty) {
        problems += QStringLiteral(", bad image offset");
    }
    return problems.isEmpty() ? QStringLiteral("Yes") : QStringLiteral("No:") + problems.mid(1);
}

QString UnrecognisedText(qint64 code) {
    return QStringLiteral("<Unrecognised (%1)>").arg(code);
}
