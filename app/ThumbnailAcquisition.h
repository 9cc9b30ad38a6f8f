#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <functional>
#include <memory>

#include "ThumbPacket.h"

class TImageList;

// Where a newly added entry's thumbnail comes from, in the GUI thread and without delay: the picture's
// EXIF thumbnail, else its folder's thumbnail database, else the placeholder together with a request to
// the thumbnail threads, whose result later replaces the placeholder in place.
class TThumbnailAcquisition {
public:
    // A source fills `bitmap` and returns true when it has the picture's thumbnail; never raises.
    using TSource = std::function<bool(const QString& pictureFile, QImage& bitmap)>;
    // Takes a request for a placeholder just appended (the request then belongs to the receiver).
    using TRequestPoster = std::function<void(std::unique_ptr<TThumbFileInfoData> request)>;

    TThumbnailAcquisition(TImageList& images, TSource exif, TSource database, TRequestPoster post);

    // What entries show until their thumbnail arrives, and the list's background colour, which fills the
    // margins of fitted thumbnails and travels with each request.
    QPixmap Placeholder;
    QColor Background = Qt::white;

    // The index in the list's thumbnail images that becomes the entry's ThumbnailIndex. Any failure on
    // the way ends the call with the index as it stood (0 when nothing was appended yet).
    qint32 AcquireThumbnail(const QString& pictureFile) noexcept;

    // A rendered thumbnail arrived: it replaces its placeholder when the list has not been cleared since
    // the request (same generation); a stale one is dropped. The packet is disposed of either way.
    void ThumbnailResultReceived(std::unique_ptr<TThumbPacket> packet);

private:
    qint32 AddFound(const QImage& bitmap);

    TImageList& Images;
    TSource Exif;
    TSource Database;
    TRequestPoster Post;
};
