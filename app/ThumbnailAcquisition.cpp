#include "ThumbnailAcquisition.h"

#include <QElapsedTimer>

#include <algorithm>

#include "FitThumbnail.h"
#include "ImageList.h"

namespace {

// How long one turn of serving wanted thumbnails may hold the GUI thread: reading EXIF thumbnails
// again takes about a millisecond each.
constexpr qint64 ServeSliceMilliseconds = 25;

}  // namespace

TThumbnailAcquisition::TThumbnailAcquisition(TImageList& images, TSource exif, TSource database,
                                             TRequestPoster post, TPreferencePoster prefer)
    : Images(images),
      Exif(std::move(exif)),
      Database(std::move(database)),
      Post(std::move(post)),
      Prefer(std::move(prefer)) {
    ServeSoon.setSingleShot(true);
    ServeSoon.setInterval(0);
    QObject::connect(&ServeSoon, &QTimer::timeout, [this] { ServeWanted(); });
    Images.ImageListThumbnails().WantedChanged = [this] { ServeSoon.start(); };
}

TThumbnailAcquisition::~TThumbnailAcquisition() {
    Images.ImageListThumbnails().WantedChanged = nullptr;
}

// A found thumbnail goes in as it is when it is exactly the list's size, else fitted into it on the
// list's background.
QPixmap TThumbnailAcquisition::Fitted(const QImage& bitmap) const {
    const QSize size = TThumbnailImages::ImageSize;
    if (bitmap.size() == size) {
        return QPixmap::fromImage(bitmap);
    }
    QImage fitted;
    FitThumbnail(bitmap, fitted, size.width(), size.height(), Background);
    return QPixmap::fromImage(fitted);
}

bool TThumbnailAcquisition::FindAgain(const QString& pictureFile, QImage& bitmap) const {
    return Exif(pictureFile, bitmap) || Database(pictureFile, bitmap);
}

void TThumbnailAcquisition::Request(const QString& pictureFile, qint32 index) {
    auto request = std::make_unique<TThumbFileInfoData>();
    request->FileName = pictureFile;
    request->ImageIndex = index;
    request->Generation = Images.ListGeneration;
    request->BackgroundColour = Background;
    Post(std::move(request));
}

qint32 TThumbnailAcquisition::AcquireThumbnail(const QString& pictureFile) noexcept {
    qint32 result = 0;
    try {
        TThumbnailImages& thumbnails = Images.ImageListThumbnails();
        thumbnails.SetPlaceholder(Placeholder);
        QImage bitmap;
        if (FindAgain(pictureFile, bitmap)) {
            result = thumbnails.Add(Fitted(bitmap), pictureFile);
            return result;
        }
        result = thumbnails.AddPlaceholder(Placeholder, pictureFile);
        if (result >= 0) {
            Request(pictureFile, result);
        }
    } catch (...) {
        // The entry keeps whatever index was handed out; nothing is reported.
    }
    return result;
}

void TThumbnailAcquisition::ThumbnailResultReceived(std::unique_ptr<TThumbPacket> packet) {
    // The packet's success flag is not looked at: the not-supported picture replaces its placeholder too.
    if (packet != nullptr && packet->Generation == Images.ListGeneration && packet->ImageIndex >= 0) {
        Images.ReplaceThumbnail(packet->ImageIndex, QPixmap::fromImage(packet->Bitmap));
    }
}

void TThumbnailAcquisition::ServeWanted() noexcept {
    try {
        TThumbnailImages& thumbnails = Images.ImageListThumbnails();
        // The latest wishes come first: what is in view now matters more than what was a moment ago.
        std::vector<int> wanted = thumbnails.TakeWanted();
        for (int index : StillWanted) {
            if (std::find(wanted.begin(), wanted.end(), index) == wanted.end()) {
                wanted.push_back(index);
            }
        }
        StillWanted.clear();
        std::vector<qint32> awaited;
        QElapsedTimer clock;
        clock.start();
        for (size_t i = 0; i < wanted.size(); ++i) {
            const int index = wanted[i];
            if (index >= thumbnails.Count() || thumbnails.AtHand(index)) {
                continue;  // the list was cleared, or the rendering arrived meanwhile
            }
            if (!thumbnails.GivenUp(index)) {
                awaited.push_back(index);  // its rendering is on its way
                continue;
            }
            if (clock.elapsed() >= ServeSliceMilliseconds) {
                StillWanted.assign(wanted.begin() + qsizetype(i), wanted.end());
                ServeSoon.start();
                break;
            }
            const QString pictureFile = thumbnails.Source(index);
            thumbnails.Await(index);
            QImage bitmap;
            if (FindAgain(pictureFile, bitmap)) {
                Images.ReplaceThumbnail(index, Fitted(bitmap));
            } else {
                Request(pictureFile, index);
                awaited.push_back(index);
            }
        }
        // A view standing still asks for the same placeholders at every paint: that is sent once.
        if (Prefer && !awaited.empty() &&
            (awaited != LastPreference || LastPreferenceGeneration != Images.ListGeneration)) {
            LastPreference = awaited;
            LastPreferenceGeneration = Images.ListGeneration;
            auto preference = std::make_unique<TThumbPreference>();
            preference->ImageIndices = std::move(awaited);
            preference->Generation = Images.ListGeneration;
            Prefer(std::move(preference));
        }
    } catch (...) {
        // What was not served shows its placeholder until it is asked for again.
    }
}
