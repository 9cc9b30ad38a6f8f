#pragma once

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

#include "ID3v2Tag.h"

// A folder's thumbnail database "Thumbs Brackwell.db", written by the file-browser library and only read
// here: an ID3v2 tag whose first "CATA" frame is the catalogue (UTF-16 LE text, four lines per entry:
// file name, file size, two numbers of the library's own) and whose frame at position k holds the
// thumbnail of entry k as a JPEG file.
//
// It holds one folder's file at a time, open, but never the file whole: Open reads the frame headers up
// to the catalogue and the catalogue itself, and a lookup finds its frame's header (the headers met on
// the way are remembered, as far as the catalogue's entries reach) and reads that frame's content from
// the file. Contents stored plain are read again on each lookup; inflated ones are kept, and all the
// bytes that lookups inflate in one database are bounded together by InflationBudget, so a file of
// compressed frames cannot fill the memory however many of them are asked for.
class TThumbDatabase {
public:
    static constexpr const char* CatalogueFrameID = "CATA";
    static constexpr const char* ThumbnailFrameID = "THUM";

    // All the bytes that lookups may inflate from the frames of one database, from its Open on: a
    // compressed frame that would go beyond gives no thumbnail.
    static constexpr qsizetype InflationBudget = qsizetype(64) << 20;
    // A longer catalogue frame is taken for a damaged one: the catalogue is then empty.
    static constexpr qsizetype MaxCatalogueSize = qsizetype(16) << 20;

    // Opens the database file at `path` and reads its catalogue. A file that is no tag gives an empty
    // catalogue; a path with no file keeps the database opened before. Always returns true.
    bool Open(const QString& path);

    // The number (from 1) of the first catalogue entry whose file name and size match `pictureFile`
    // (a full path), or 0. Every line is tried as a name; the picture's size is asked once, and only
    // when its name is found.
    qint64 FindEntry(const QString& pictureFile);

    // Fills `stream` with the decoded content of the picture's thumbnail frame and reports its
    // identifier (not checked here). False, with `stream` empty and `frameID` untouched, when there is
    // none, or its stored content is longer than TID3v2Frame::MaxInflatedSize.
    bool GetThumbnail(const QString& pictureFile, QByteArray& stream, QByteArray& frameID);

    const QStringList& Catalogue() const { return CatalogueLines; }
    // The bytes inflated since the last Open; never above InflationBudget.
    qsizetype InflatedBytes() const;

private:
    void Close();
    // The frame at `position` (0 the first) of the open file, its content not read; false when the
    // file has no such frame.
    bool FrameAt(qint64 position, TID3v2Frame& frame);

    struct TDecodedFrame {
        QByteArray ID;
        QByteArray Content;
    };

    mutable std::recursive_mutex Lock;
    QFile File;
    TID3v2Tag Header;  // the open file's tag header; it holds no frames
    // Where the frames 0, 1, ... start, as far as they have been looked for, and where looking goes on.
    std::vector<qint64> FrameStarts;
    qint64 ScanPosition = 0;
    bool ScanEnded = true;
    QHash<qint64, TDecodedFrame> Decoded;  // inflated contents, by frame position
    qsizetype Inflated = 0;
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
