#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

#include "ID3v2Tag.h"

// A folder's thumbnail database "Thumbs Brackwell.db", written by the file-browser library and only read
// here: an ID3v2 tag whose first "CATA" frame is the catalogue (UTF-16 LE text, four lines per entry:
// file name, file size, two numbers of the library's own) and whose frame at position k holds the
// thumbnail of entry k as a JPEG file. It holds one folder's file at a time, whole, in memory.
class TThumbDatabase {
public:
    static constexpr const char* CatalogueFrameID = "CATA";
    static constexpr const char* ThumbnailFrameID = "THUM";

    // Loads the database file at `path` and its catalogue. A file that is no tag gives an empty
    // catalogue; a path with no file keeps the frames held before. Always returns true.
    bool Open(const QString& path);

    // The number (from 1) of the first catalogue entry whose file name and size match `pictureFile`
    // (a full path), or 0. Every line is tried as a name; the picture's size is asked once, and only
    // when its name is found.
    qint64 FindEntry(const QString& pictureFile);

    // Fills `stream` with the decoded content of the picture's thumbnail frame and reports its
    // identifier (not checked here). The frame is decoded in place on its first request. False, with
    // `stream` empty and `frameID` untouched, when there is none.
    bool GetThumbnail(const QString& pictureFile, QByteArray& stream, QByteArray& frameID);

    const QStringList& Catalogue() const { return CatalogueLines; }
    const TID3v2Tag& Tag() const { return DatabaseTag; }

private:
    std::recursive_mutex Lock;
    TID3v2Tag DatabaseTag;
    QStringList CatalogueLines;
    // The lines that may name a picture (all but the last), by their upper-cased file-name part, in
    // line order. Made on the first lookup after an Open, so that each lookup then costs one hash
    // probe instead of a pass over the whole catalogue.
    QHash<QString, QList<qsizetype>> LinesByName;
    bool LinesByNameReady = false;
};

// Splits catalogue text (UTF-16 LE, byte-order mark optional) into lines at CR LF, lone CR and lone
// LF; a NUL ends the text, a trailing line break adds no empty line, an odd last byte is dropped.
QStringList CatalogueLinesOf(const QByteArray& content);

// The program's one database, created on first need: creates it when there is none and opens `path`.
void OpenThumbDatabase(std::unique_ptr<TThumbDatabase>& database, const QString& path);

// The picture's thumbnail from `database` (none yet: false) as a 32-bit picture.
bool DatabaseThumbnail(const QString& pictureFile, QImage& bitmap, TThumbDatabase* database);

// Decodes JPEG bytes at full size into `bitmap`; on failure, and for a picture that declares more than
// a thumbnail can be (MaxEmbeddedThumbnailSize), leaves `bitmap` as it was and returns false.
bool JpegStreamToBitmap(const QByteArray& stream, QImage& bitmap);
