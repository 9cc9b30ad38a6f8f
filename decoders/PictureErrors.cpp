#include "PictureErrors.h"

QString PictureTooLargeMessage(qint64 width, qint64 height) {
    return QStringLiteral("The picture is too large to load (%1 x %2 pixels)").arg(width).arg(height);
}
