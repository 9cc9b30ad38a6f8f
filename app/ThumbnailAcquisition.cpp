#include "ThumbnailAcquisition.h"

#include "FitThumbnail.h"
#include "ImageList.h"

TThumbnailAcquisition::TThumbnailAcquisition(TImageList& images, TSource exif, TSource database,
                                             TRequestPoster post)
    : Images(images), Exif(std::move(exif)), Database(std::move(database)), Post(std::move(post)) {}

// A found thumbnail goes in as it is when it is exactly the list's size, else fitted into it on the
// list's background.
qint32 TThumbnailAcquisition::AddFound(const QImage& bitmap) {
    const QSize size = TThumbnailImages::ImageSize;
    if (bitmap.size() == size) {
        return Images.ImageListThumbnails().Add(QPixmap::fromImage(bitmap));
    }
    QImage fitted;
    FitThumbnail(bitmap, fitted, size.width(), size.height(), Background);
    return Images.ImageListThumbnails().Add(QPixmap::fromImage(fitted));
}

qint32 TThumbnailAcquisition::AcquireThumbnail(const QString& pictureFile) noexcept {
    qint32 result = 0;
    try {
        QImage bitmap;
        if (Exif(pictureFile, bitmap) || Database(pictureFile, bitmap)) {
            result = AddFound(bitmap);
            return result;
        }
        result = Images.ImageListThumbnails().Add(Placeholder);
        if (result >= 0) {
            auto request = std::make_unique<TThumbFileInfoData>();
            request->FileName = pictureFile;
            request->ImageIndex = result;
            request->Generation = Images.ListGeneration;
            request->BackgroundColour = Background;
            Post(std::move(request));
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
