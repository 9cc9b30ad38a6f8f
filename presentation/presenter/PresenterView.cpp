#include "PresenterView.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

#include "ExifReader.h"
#include "IniFile.h"
#include "PictureSurface.h"
#include "ShowImage.h"

int NextShownEntry(const QStringList& fileNames, const QString& current,
                   const std::function<bool(int)>& canShow) {
    for (int candidate : StepCandidates(fileNames, current, TStepDirection::Next)) {
        if (canShow(candidate)) {
            return candidate;
        }
    }
    return -1;
}

QString PositionText(int position, int count) {
    return position > 0 ? QStringLiteral("%1 / %2").arg(position).arg(count)
                        : QStringLiteral("\u2013 / %1").arg(count);
}

QString CountdownText(qint64 remainingMs, bool paused) {
    const qint64 seconds = (std::max<qint64>(remainingMs, 0) + 999) / 1000;
    const QString time = QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return paused ? QStringLiteral("Advance paused, %1 left").arg(time)
                  : QStringLiteral("Next in %1").arg(time);
}

QString PictureSizeText(QSize size) {
    return size.isEmpty() ? QString() : QStringLiteral("%1 \u00d7 %2").arg(size.width()).arg(size.height());
}

bool PresenterOpens(bool setting, int monitorCount, int audience, int operatorMonitor) {
    return setting && monitorCount > 1 && audience >= 0 && audience != operatorMonitor;
}

QRect PresenterPlacement(const QRect& remembered, const QRect& operatorArea) {
    if (operatorArea.isEmpty()) {
        return remembered;
    }
    QSize size = remembered.isEmpty() ? PresenterDefaultSize : remembered.size();
    size = size.boundedTo(operatorArea.size());
    if (!remembered.isEmpty() && operatorArea.contains(remembered.center())) {
        // Kept where it was, moved only as far as it takes to lie within the area.
        QRect placed(remembered.topLeft(), size);
        placed.moveLeft(
            std::clamp(placed.left(), operatorArea.left(), operatorArea.right() - size.width() + 1));
        placed.moveTop(
            std::clamp(placed.top(), operatorArea.top(), operatorArea.bottom() - size.height() + 1));
        return placed;
    }
    QRect placed(QPoint(), size);
    placed.moveCenter(operatorArea.center());
    return placed;
}

std::vector<int> NeighbourEntries(int current, int count, int each) {
    const int span = 2 * each + 1;
    int first = std::max(current, 0) - each;
    first = std::clamp(first, 0, std::max(count - span, 0));
    std::vector<int> entries;
    for (int i = first; i < std::min(first + span, count); ++i) {
        entries.push_back(i);
    }
    return entries;
}

QString DateTakenText(const QString& path) {
    try {
        ExifReader reader;
        reader.LoadFromFile(path);
        std::optional<QDateTime> taken = reader.DateTime(ExifDirectoryKind::ExifSub, 0x9003);
        if (!taken) {
            taken = reader.DateTime(ExifDirectoryKind::Main, 0x0132);
        }
        return taken ? taken->toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
    } catch (...) {
        // Not a JPEG, or no readable EXIF block: no date to show.
        return {};
    }
}

QImage MirrorPicture(const QImage& fitted, const QRect& fittedAt, QSize screen, QSize pane, bool blank) {
    const QRect shown = FitPictureRect(screen, pane);
    if (shown.isEmpty()) {
        return {};
    }
    QImage mirror(shown.size(), QImage::Format_RGB32);
    mirror.fill(Qt::black);
    if (blank || fitted.isNull() || fittedAt.isEmpty()) {
        return mirror;
    }
    const double scale = double(shown.width()) / screen.width();
    const QRect at(int(std::lround(fittedAt.x() * scale)), int(std::lround(fittedAt.y() * scale)),
                   std::max(1, int(std::lround(fittedAt.width() * scale))),
                   std::max(1, int(std::lround(fittedAt.height() * scale))));
    QImage copy = fitted;
    copy.setDevicePixelRatio(1);
    // Sampled down to twice the size first, then averaged: much cheaper than averaging the whole copy,
    // and still smooth.
    const QSize twice = at.size() * 2;
    if (copy.width() > twice.width() && copy.height() > twice.height()) {
        copy = copy.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    QPainter painter(&mirror);
    painter.drawImage(at.topLeft(), copy.scaled(at.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return mirror;
}

namespace {
const QString PresenterSection = QStringLiteral("Presenter");
}  // namespace

QRect LoadPresenterPlace(const TIniFile& file) {
    const QRect place(file.ReadInteger(PresenterSection, QStringLiteral("Left"), 0),
                      file.ReadInteger(PresenterSection, QStringLiteral("Top"), 0),
                      file.ReadInteger(PresenterSection, QStringLiteral("Width"), 0),
                      file.ReadInteger(PresenterSection, QStringLiteral("Height"), 0));
    return place.isEmpty() ? QRect() : place;
}

void SavePresenterPlace(TIniFile& file, const QRect& place) {
    file.WriteInteger(PresenterSection, QStringLiteral("Left"), place.left());
    file.WriteInteger(PresenterSection, QStringLiteral("Top"), place.top());
    file.WriteInteger(PresenterSection, QStringLiteral("Width"), place.width());
    file.WriteInteger(PresenterSection, QStringLiteral("Height"), place.height());
}

namespace {

// Whether row `y` (or column, with `columns`) of `picture` is all of `colour`.
bool Uniform(const QImage& picture, int index, bool columns, QRgb colour) {
    const int length = columns ? picture.height() : picture.width();
    for (int i = 0; i < length; ++i) {
        if (picture.pixel(columns ? index : i, columns ? i : index) != colour) {
            return false;
        }
    }
    return true;
}

// How many rows (or columns) at each edge are all of `colour`, the same number at both.
int Band(const QImage& picture, bool columns, QRgb colour) {
    const int count = columns ? picture.width() : picture.height();
    int band = 0;
    while (2 * (band + 1) < count && Uniform(picture, band, columns, colour) &&
           Uniform(picture, count - 1 - band, columns, colour)) {
        ++band;
    }
    return band;
}

}  // namespace

QImage ThumbnailPicture(const QImage& thumbnail, const QColor& background) {
    if (thumbnail.isNull()) {
        return thumbnail;
    }
    const QImage opaque = thumbnail.convertToFormat(QImage::Format_RGB32);
    const QRgb colour = background.rgb() | 0xFF000000u;
    const int rows = Band(opaque, false, colour);
    const int columns = Band(opaque, true, colour);
    // The picture fills the thumbnail one way, and the bands run the other: bands both ways are the
    // picture's own edges of that colour, which stay.
    if (rows > 0 && columns == 0) {
        return thumbnail.copy(0, rows, thumbnail.width(), thumbnail.height() - 2 * rows);
    }
    if (columns > 0 && rows == 0) {
        return thumbnail.copy(columns, 0, thumbnail.width() - 2 * columns, thumbnail.height());
    }
    return thumbnail;
}

