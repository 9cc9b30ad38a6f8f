#include "ThumbnailsProcessing.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QFont>
#include <QPainter>

#include "ColourConversion.h"
#include "ExifReader.h"
#include "FitThumbnail.h"
#include "FormatRegistry.h"
#include "FreeImageLoader.h"
#include "Jpeg2000Bitmap.h"
#include "JpegReader.h"
#include "Orientation.h"
#include "TextDrawing.h"

namespace {

bool HasExtension(const QString& path, std::initializer_list<const char*> extensions) {
    const QString suffix = QFileInfo(path).suffix();
    for (const char* extension : extensions) {
        if (suffix.compare(QLatin1String(extension), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// The picture as the registry reads it; null when no reader takes the file.
QImage DecodeWithRegistry(const QString& pictureFile, const TThumbnailDecoders& decoders) {
    try {
        return decoders.Registry(pictureFile);
    } catch (...) {
        return {};  // no reader here takes the file: it gets the not-supported thumbnail
    }
}

// Red text with a black shadow one pixel to the lower right, centred on the picture.
void DrawNotSupported(QImage& target) {
    const QFont font = NotSupportedFont();
    const QSize extent = TextExtent(font, NotSupportedText);
    const QPoint at((target.width() - extent.width()) / 2, (target.height() - extent.height()) / 2);
    DrawAntialiasedText(target, font, NotSupportedText, at + QPoint(1, 1), QColor(0xFF000000u));
    DrawAntialiasedText(target, font, NotSupportedText, at, QColor(0xFFFF0000u));
}

// The placeholder's text colour, ARGB 0x44222222: a dark grey blended over the background.
constexpr QRgb CentredTextColour = 0x222222;
constexpr int CentredTextAlpha = 0x44;

}  // namespace

bool IsExifThumbnailName(const QString& pictureFile) {
    return HasExtension(pictureFile, {"jpg", "jpeg", "jfif", "jpe"});
}

bool ExifThumbnail(const QString& pictureFile, QImage& bitmap) noexcept {
    try {
        if (!IsExifThumbnailName(pictureFile)) {
            return false;
        }
        ExifThumbnailJpeg thumbnail;
        if (!ReadExifThumbnailJpeg(pictureFile, thumbnail)) {
            return false;
        }
        QImage picture = DecodeJpeg(thumbnail.Jpeg, MaxEmbeddedThumbnailSize);
        if (picture.isNull()) {
            return false;
        }
        // The camera's small picture is in the colours of its large one, whose profile it does not carry.
        if (const QByteArray profile = ReadJpegColourProfile(pictureFile); !profile.isEmpty()) {
            ConvertColours(picture, QColorSpace::fromIccProfile(profile));
        }
        ApplyExifOrientation(picture, thumbnail.Orientation);
        bitmap = picture;
        return true;
    } catch (...) {
        return false;
    }
}

const TThumbnailDecoders& StandardThumbnailDecoders() {
    static const TThumbnailDecoders decoders{
        &LoadJpeg2000File,
        &LoadThumbnailWithGenericDecoder,
        &LoadPictureFile,
        &GenericDecoderGaveUpOn,
    };
    return decoders;
}

bool RenderThumbnail(const QString& pictureFile, QImage& bitmap, const QColor& windowColour,
                     const TThumbnailDecoders& decoders) {
    QImage source;
    if (IsJpeg2000Name(pictureFile)) {
        // Its failure ends the rendering of this file, with the "not supported" text as any failure.
        try {
            source = decoders.Jpeg2000(pictureFile);
        } catch (...) {
            QImage target;
            FitThumbnail(QImage(), target, ThumbnailWidth, ThumbnailHeight, windowColour);
            DrawNotSupported(target);
            bitmap = target;
            return true;
        }
    }
    if (source.isNull()) {
        // The generic decoder fits the picture where it decodes it: only the thumbnail comes back.
        QImage fitted;
        if (decoders.Generic(pictureFile, QSize(ThumbnailWidth, ThumbnailHeight), windowColour, fitted)) {
            bitmap = fitted;
            return true;
        }
        if (!decoders.GaveUp || !decoders.GaveUp(pictureFile)) {
            source = DecodeWithRegistry(pictureFile, decoders);
        }
    }
    QImage target;
    FitThumbnail(source, target, ThumbnailWidth, ThumbnailHeight, windowColour);
    if (source.isNull()) {
        DrawNotSupported(target);
    }
    bitmap = target;
    return true;
}

QFont FittedFont(QFont face, int points, const QString& text, int width) {
    face.setPointSize(points);
    while (points > MinimumTextPoints && TextExtent(face, text).width() >= width - 4) {
        face.setPointSize(--points);
    }
    return face;
}

QFont CentredTextFont(const QString& text, int width) {
    return FittedFont(QFont(QStringLiteral("Tahoma")), 8, text, width);
}

QFont NotSupportedFont() {
    return FittedFont(QFont(), 9, NotSupportedText, ThumbnailWidth);
}

void DrawCentredText(QImage& bitmap, const QString& text, const QColor& backgroundColour) noexcept {
    if (bitmap.isNull()) {
        return;
    }
    try {
        bitmap.fill(backgroundColour);
        const QFont font = CentredTextFont(text, bitmap.width());
        const QSize extent = TextExtent(font, text);
        const QPoint at((bitmap.width() - extent.width()) / 2 - 1,
                        (bitmap.height() - extent.height()) / 2 - 1);
        // The text is drawn opaque on a copy, and the copy laid over the picture at the text colour's
        // opacity: the same as drawing the translucent colour with the glyphs' coverage.
        QImage layer = bitmap;
        DrawAntialiasedText(layer, font, text, at, QColor(CentredTextColour));
        QPainter painter(&bitmap);
        painter.setOpacity(CentredTextAlpha / 255.0);
        painter.drawImage(0, 0, layer);
    } catch (...) {
        // A placeholder without its text is still a placeholder.
    }
}

QImage MakePlaceholderThumbnail(const QColor& backgroundColour) {
    QImage placeholder(ThumbnailWidth, ThumbnailHeight, QImage::Format_RGB32);
    DrawCentredText(placeholder, PlaceholderText, backgroundColour);
    return placeholder;
}
