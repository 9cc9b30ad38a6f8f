#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "ThumbPacket.h"

class TImageList;

// Where a newly added entry's thumbnail comes from, in the GUI thread and without delay: the picture's
// EXIF thumbnail, else its folder's thumbnail database, else the placeholder together with a request to
// the thumbnail threads, whose result later replaces the placeholder in place.
//
// The list keeps its thumbnails within a budget and gives up the least recently seen ones. When a view,
// the presenter or the show asks for one that is not at hand, it is made again the same way, soon after
// (not in the middle of a paint): from the EXIF thumbnail or the database at once, else by the threads.
// Renderings of thumbnails that were asked for and are still waiting are moved to the front of the
// threads' queue, so that what comes into view arrives first.
class TThumbnailAcquisition {
public:
    // A source fills `bitmap` and returns true when it has the picture's thumbnail; never raises.
    using TSource = std::function<bool(const QString& pictureFile, QImage& bitmap)>;
    // Takes a request for a placeholder just appended (the request then belongs to the receiver).
    using TRequestPoster = std::function<void(std::unique_ptr<TThumbFileInfoData> request)>;
    // Takes the indices of images whose renderings are wanted first, most wanted first.
    using TPreferencePoster = std::function<void(std::unique_ptr<TThumbPreference> preference)>;

    TThumbnailAcquisition(TImageList& images, TSource exif, TSource database, TRequestPoster post,
                          TPreferencePoster prefer = {});
    ~TThumbnailAcquisition();
    TThumbnailAcquisition(const TThumbnailAcquisition&) = delete;
    TThumbnailAcquisition& operator=(const TThumbnailAcquisition&) = delete;

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

    // Makes again, or hurries, the thumbnails asked for since the last time, for at most a slice of
    // time; the rest wait for the next turn of the event loop. Runs by itself from the event loop.
    void ServeWanted() noexcept;

private:
    QPixmap Fitted(const QImage& bitmap) const;
    bool FindAgain(const QString& pictureFile, QImage& bitmap) const;
    void Request(const QString& pictureFile, qint32 index);

    TImageList& Images;
    TSource Exif;
    TSource Database;
    TRequestPoster Post;
    TPreferencePoster Prefer;
    QTimer ServeSoon;
    std::vector<int> StillWanted;        // taken from the images and not served yet, in order
    std::vector<qint32> LastPreference;  // what was last sent, not sent again while it stands
    qint32 LastPreferenceGeneration = -1;
};
