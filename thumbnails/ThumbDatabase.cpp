#include "ThumbDatabase.h"

#include <algorithm>
#include <exception>

#include "FileUtils.h"
#include "JpegReader.h"
#include "ThumbnailsProcessing.h"

namespace {

// The catalogue may hold a bare name or a full path written on another machine: only the part after
// the last backslash, slash or colon counts, compared in upper case.
QString NameKey(const QString& path) {
    qsizetype cut = -1;
    for (const QChar separator : {QLatin1Char('\\'), QLatin1Char('/'), QLatin1Char(':')}) {
        cut = std::max(cut, path.lastIndexOf(separator));
    }
    return path.mid(cut + 1).toUpper();
}

// A line read as a signed 32-bit decimal size, or -1 when it is none (a negative size included: it
// would otherwise match the -1 that FileSizeOf gives for a missing picture).
qint64 SizeOfLine(const QString& line) {
    bool ok = false;
    const qint32 value = line.toInt(&ok, 10);
    return ok && value >= 0 ? value : -1;
}

}  // namespace

QStringList CatalogueLinesOf(const QByteArray& content) {
    // The bytes read in place as UTF-16 LE code units (copied only when they do not start on an even
    // address); an odd last byte is left out.
    const qsizetype offset = content.startsWith("\xFF\xFE") ? 2 : 0;
    QByteArray aligned = content;
    if (reinterpret_cast<quintptr>(content.constData()) % alignof(char16_t) != 0) {
        aligned = QByteArray(content.constData(), content.size());
    }
    const auto* units = reinterpret_cast<const char16_t*>(aligned.constData() + offset);
    qsizetype count = (content.size() - offset) / 2;
    const char16_t* nul = std::find(units, units + count, u'\0');
    count = nul - units;

    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t c = units[i];
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        lines.append(QString(reinterpret_cast<const QChar*>(units + start), i - start));
        if (c == u'\r' && i + 1 < count && units[i + 1] == u'\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < count) {
        lines.append(QString(reinterpret_cast<const QChar*>(units + start), count - start));
    }
    return lines;
}

bool TThumbDatabase::Open(const QString& path) {
    const std::lock_guard<std::recursive_mutex> guard(Lock);
    CatalogueLines.clear();
    LinesByName.clear();
    LinesByNameReady = false;
    if (FileExists(path)) {
        DatabaseTag.LoadFromFile(path);  // a file that is no tag leaves the tag empty
    }
    int catalogue = DatabaseTag.FindFrame(CatalogueFrameID);
    if (catalogue < 0) {
        catalogue = DatabaseTag.AddFrame(CatalogueFrameID);
    }
    // The catalogue is read as stored: its unsynchronisation and compression flags are not applied.
    CatalogueLines = CatalogueLinesOf(DatabaseTag.Frames(catalogue).Content);
    return true;
}

qint64 TThumbDatabase::FindEntry(const QString& pictureFile) {
    const std::lock_guard<std::recursive_mutex> guard(Lock);
    if (!LinesByNameReady) {
        for (qsizetype i = 0; i + 1 < CatalogueLines.size(); ++i) {
            LinesByName[NameKey(CatalogueLines.at(i))].append(i);
        }
        LinesByNameReady = true;
    }
    const auto found = LinesByName.constFind(NameKey(pictureFile));
    if (found == LinesByName.constEnd()) {
        return 0;
    }
    qint64 pictureSize = -2;  // asked once, when the first candidate has a size
    for (const qsizetype i : *found) {
        const qint64 size = SizeOfLine(CatalogueLines.at(i + 1));
        if (size < 0) {
            continue;
        }
        if (pictureSize == -2) {
            pictureSize = FileSizeOf(pictureFile);
        }
        if (size == pictureSize) {
            return static_cast<qint64>(i / 4) + 1;  // candidates are in line order: the first wins
        }
    }
    return 0;
}

bool TThumbDatabase::GetThumbnail(const QString& pictureFile, QByteArray& stream, QByteArray& frameID) {
    const std::lock_guard<std::recursive_mutex> guard(Lock);
    stream.clear();
    const qint64 entry = FindEntry(pictureFile);
    if (entry == 0 || entry >= DatabaseTag.FrameCount()) {
        return false;
    }
    try {
        // Decoded in place, so a second request for the entry finds the content ready.
        TID3v2Frame& frame = DatabaseTag.Frames(static_cast<int>(entry));
        if (frame.Unsynchronised) {
            frame.RemoveUnsynchronisation();
        }
        if (frame.Compressed) {
            frame.Decompress();
        }
        // A copy of its own: the content may refer to the tag's bytes, which the next Open replaces.
        stream = QByteArray(frame.Content.constData(), frame.Content.size());
        frameID = frame.ID;
        return true;
    } catch (const std::exception&) {
        stream.clear();
        return false;
    }
}

void OpenThumbDatabase(std::unique_ptr<TThumbDatabase>& database, const QString& path) {
    if (!database) {
        database = std::make_unique<TThumbDatabase>();
    }
    database->Open(path);
}

bool DatabaseThumbnail(const QString& pictureFile, QImage& bitmap, TThumbDatabase* database) {
    if (database == nullptr) {
        return false;
    }
    QByteArray stream;
    QByteArray frameID;
    if (!database->GetThumbnail(pictureFile, stream, frameID) ||
        frameID != TThumbDatabase::ThumbnailFrameID) {
        return false;
    }
    return JpegStreamToBitmap(stream, bitmap);
}

bool JpegStreamToBitmap(const QByteArray& stream, QImage& bitmap) {
    QImage decoded = DecodeJpeg(stream, MaxEmbeddedThumbnailSize);
    if (decoded.isNull()) {
        return false;
    }
    bitmap = std::move(decoded);
    return true;
}
