#pragma once

// Readable failure messages for the Qt types that tests compare. Force-included into every test.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *out << (i > 0 ? ", " : "") << '"' << list[i].toStdString() << '"';
    }
    *out << '}';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << bytes.toHex(' ').toStdString();
}

inline void PrintTo(const QSize& size, std::ostream* out) {
    *out << size.width() << 'x' << size.height();
}
