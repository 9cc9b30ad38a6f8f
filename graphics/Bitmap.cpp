#include "Bitmap.h"

namespace {

QImage::Format QtFormatOf(TPixelFormat format, bool straightAlpha) {
    switch (format) {
        case TPixelFormat::Grey8:
            return QImage::Format_Indexed8;
        case TPixelFormat::Bgr24:
            return QImage::Format_BGR888;
        case TPixelFormat::Bgra32:
            break;
    }
    return straightAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

}  // namespace

QImage NewBitmap(int width, int height, TPixelFormat format, bool straightAlpha) {
    if (width <= 0 || height <= 0) {
        return QImage();
    }
    QImage bitmap(width, height, QtFormatOf(format, straightAlpha));
    if (!bitmap.isNull() && format == TPixelFormat::Grey8) {
        bitmap.setColorTable(GreyPalette());
    }
    return bitmap;
}

const QList<QRgb>& GreyPalette() {
    static const QList<QRgb> palette = [] {
        QList<QRgb> entries(256);
        for (int i = 0; i < 256; ++i) {
            entries[i] = qRgb(i, i, i);
        }
        return entries;
    }();
    return palette;
}

std::optional<TPixelFormat> PixelFormatOf(const QImage& bitmap) {
    switch (bitmap.format()) {
        case QImage::Format_Indexed8:
            return TPixelFormat::Grey8;
        case QImage::Format_BGR888:
            return TPixelFormat::Bgr24;
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
            return TPixelFormat::Bgra32;
        default:
            return std::nullopt;
    }
}

bool HasStraightAlpha(const QImage& bitmap) {
    return bitmap.format() == QImage::Format_ARGB32;
}

QImage ToWorkingPicture(const QImage& picture) {
    if (picture.isNull() || picture.format() == QImage::Format_RGB32 ||
        picture.format() == QImage::Format_ARGB32) {
        return picture;
    }
    // Qt's converters are the fast path here; an 8-bit picture goes through its palette, so a grey
    // palette gives grey pixels and any other palette its own colours.
    return picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}
