#include "ThumbnailsInView.h"

#include <QListView>
#include <QScrollBar>

#include "ErrorBoundary.h"
#include "ImageList.h"

TThumbnailsInView::TThumbnailsInView(QListView& view, TImageList& images)
    : QObject(&view), View(view), Images(images) {
    Soon.setSingleShot(true);
    Soon.setInterval(0);
    connect(&Soon, &QTimer::timeout, this, [this] { SwallowErrors([&] { LookAround(); }); });
    const auto soon = [this] { Soon.start(); };
    connect(View.verticalScrollBar(), &QScrollBar::valueChanged, this, soon);
    connect(View.verticalScrollBar(), &QScrollBar::rangeChanged, this, soon);
}

std::pair<int, int> TThumbnailsInView::RowsAround() const {
    const int count = Images.Count();
    const QSize grid = View.gridSize();
    const QSize area = View.viewport()->size();
    if (count == 0 || grid.isEmpty() || area.isEmpty()) {
        return {0, -1};
    }
    const QModelIndex top = View.indexAt(QPoint(grid.width() / 2, grid.height() / 2));
    const int first = top.isValid() ? top.row() : 0;
    const int columns = std::max(1, area.width() / grid.width());
    const int screen = columns * (area.height() / grid.height() + 2);
    return {std::max(0, first - screen), std::min(count - 1, first + 2 * screen - 1)};
}

void TThumbnailsInView::LookAround() {
    if (!View.isVisible()) {
        return;
    }
    const auto [first, last] = RowsAround();
    const TThumbnailImages& thumbnails = Images.ImageListThumbnails();
    // The rows in view are looked up last, so that they are the most recently used and, of those
    // asked for, served first.
    const QModelIndex top = View.indexAt(QPoint(View.gridSize().width() / 2, View.gridSize().height() / 2));
    const int shown = top.isValid() ? top.row() : first;
    for (int row = first; row < shown; ++row) {
        thumbnails.At(Images.Model().Record(row).ThumbnailIndex);
    }
    for (int row = last; row >= shown; --row) {
        thumbnails.At(Images.Model().Record(row).ThumbnailIndex);
    }
}
