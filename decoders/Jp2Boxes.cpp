#include "Jp2Boxes.h"

#include <QtEndian>

#include <optional>

namespace {

struct TBox {
    quint32 Type = 0;
    qint64 ContentStart = 0;
    qint64 End = 0;
};

quint32 BoxType(const char (&name)[5]) {
    return qFromBigEndian<quint32>(name);
}

// The box that starts at `offset` and must end by `limit`, or nothing when its header is damaged.
std::optional<TBox> BoxAt(const QByteArray& file, qint64 offset, qint64 limit) {
    if (limit - offset < 8) {
        return std::nullopt;
    }
    const uchar* header = reinterpret_cast<const uchar*>(file.constData()) + offset;
    quint64 length = qFromBigEndian<quint32>(header);
    TBox box{qFromBigEndian<quint32>(header + 4), offset + 8, 0};
    if (length == 1) {
        if (limit - offset < 16) {
            return std::nullopt;
        }
        length = qFromBigEndian<quint64>(header + 8);
        box.ContentStart = offset + 16;
    } else if (length == 0) {
        length = quint64(limit - offset);
    }
    if (length < quint64(box.ContentStart - offset) || length > quint64(limit - offset)) {
        return std::nullopt;
    }
    box.End = offset + qint64(length);
    return box;
}

// The first box of the given type among the boxes from `offset` to `limit`.
std::optional<TBox> FindBox(const QByteArray& file, qint64 offset, qint64 limit, quint32 type) {
    while (const auto box = BoxAt(file, offset, limit)) {
        if (box->Type == type) {
            return box;
        }
        offset = box->End;
    }
    return std::nullopt;
}

}  // namespace

std::vector<TChannelDefinition> ReadChannelDefinitions(const QByteArray& file) {
    const auto header = FindBox(file, 0, file.size(), BoxType("jp2h"));
    if (!header) {
        return {};
    }
    const auto definitions = FindBox(file, header->ContentStart, header->End, BoxType("cdef"));
    if (!definitions || definitions->End - definitions->ContentStart < 2) {
        return {};
    }
    const uchar* content = reinterpret_cast<const uchar*>(file.constData()) + definitions->ContentStart;
    const qint64 count = qFromBigEndian<quint16>(content);
    if (2 + count * 6 > definitions->End - definitions->ContentStart) {
        return {};
    }
    std::vector<TChannelDefinition> entries;
    for (qint64 i = 0; i < count; ++i) {
        const uchar* entry = content + 2 + i * 6;
        entries.push_back({qFromBigEndian<quint16>(entry), qFromBigEndian<quint16>(entry + 2),
                           qFromBigEndian<quint16>(entry + 4)});
    }
    return entries;
}
