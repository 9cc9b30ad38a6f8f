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
    if (!FileExists(path)) {
        return true;  // the database opened before stays, and so does its catalogue
    }
    Close();
    File.setFileName(path);
    // Read-only; the file-browser library may go on writing its file meanwhile: every read below is
    // checked, and a file changed under us gives no thumbnail, never a fault.
    QString reason;
    if (!OpenRegularFile(File, path, reason) || Header.ReadHeader(File) != TID3v2Tag::ResultOK) {
        Close();
        return true;  // no tag: an empty catalogue
    }
    ScanPosition = File.pos();
    ScanEnded = false;
    // The catalogue is the first "CATA" frame, read as stored: its unsynchronisation and compression
    // flags are not applied. The frames before it are not remembered: lookups find them again, and
    // then only as many as the catalogue has entries.
    TID3v2Frame frame;
    bool more = true;
    while (more && Header.NextFrameHeader(File, frame, more)) {
        if (frame.ID == CatalogueFrameID) {
            if (frame.ReadContent(File, MaxCatalogueSize)) {
                CatalogueLines = CatalogueLinesOf(frame.Content);
            }
            break;
        }
    }
    return true;
}

void TThumbDatabase::Close() {
    File.close();
    Header.Clear();
    FrameStarts.clear();
    ScanPosition = 0;
    ScanEnded = true;
    Decoded.clear();
    Inflated = 0;
    CatalogueLines.clear();
    LinesByName.clear();
    LinesByNameReady = false;
}

bool TThumbDatabase::FrameAt(qint64 position, TID3v2Frame& frame) {
    bool more = false;
    while (!ScanEnded && qint64(FrameStarts.size()) <= position) {
        if (!File.seek(ScanPosition) || !Header.NextFrameHeader(File, frame, more)) {
            ScanEnded = true;
            break;
        }
        FrameStarts.push_back(ScanPosition);
        ScanPosition = File.pos();
        ScanEnded = !more;
    }
    return position < qint64(FrameStarts.size()) && File.seek(FrameStarts[std::size_t(position)]) &&
           Header.NextFrameHeader(File, frame, more);
}

qsizetype TThumbDatabase::InflatedBytes() const {
    const std::lock_guard<std::recursive_mutex> guard(Lock);
    return Inflated;
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
    if (entry == 0) {
        return false;
    }
    if (const auto decoded = Decoded.constFind(entry); decoded != Decoded.constEnd()) {
        stream = decoded->Content;
        frameID = decoded->ID;
        return true;
    }
    try {
        TID3v2Frame frame;
        if (!FrameAt(entry, frame) || !frame.ReadContent(File, TID3v2Frame::MaxInflatedSize)) {
            return false;
        }
        if (frame.Unsynchronised) {
            frame.RemoveUnsynchronisation();
        }
        if (frame.Compressed) {
            // What this attempt inflates counts against the budget whether it succeeds or not, so
            // that no number of failing frames can take more.
            qsizetype inflated = 0;
            const qsizetype room = std::min(TID3v2Frame::MaxInflatedSize, InflationBudget - Inflated);
            const bool done = frame.Decompress(room, inflated);
            Inflated = std::min(InflationBudget, Inflated + inflated);
            if (done) {
                Decoded.insert(entry, TDecodedFrame{frame.ID, frame.Content});
            }
        }
        stream = frame.Content;
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
