#pragma once

#include <QObject>
#include <QTimer>

class QListView;
class TImageList;

// Keeps at hand the thumbnails of the screen that the thumbnail view shows and of a screen before and
// after it: whenever the view scrolls or changes size, it looks them up in the list's thumbnail store,
// which unpacks those that were packed and asks for those that were given up. A page scroll then finds
// its thumbnails ready instead of placeholders. Lives as long as the view (its parent).
class TThumbnailsInView : public QObject {
public:
    TThumbnailsInView(QListView& view, TImageList& images);

    // The rows looked up for the view as it stands: those in view, and a screen's worth before and
    // after; first and last, clamped to the list.
    std::pair<int, int> RowsAround() const;

private:
    void LookAround();

    QListView& View;
    TImageList& Images;
    QTimer Soon;
};
