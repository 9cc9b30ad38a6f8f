#pragma once

#include <QListView>
#include <QString>

// One of the image list's views. While the list is empty, the view's own area says how pictures get
// in: the hint stands centred, wrapped to the area's width, in the palette's placeholder colour.
class TListerView : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;

    static const QString EmptyListHint;

    // The list is empty: the view shows EmptyListHint.
    bool ShowsEmptyListHint() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
