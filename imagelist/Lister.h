#pragma once

#include <QStackedWidget>

#include "ImageListModel.h"
#include "ListerView.h"

class QAbstractItemView;
class QItemSelectionModel;
class QMenu;

// The image list control: one model and one selection shown by two views, a report view with the one
// column "Image File Name" and an icon view of 160 x 120 thumbnails with the caption under them. Only
// the view of the current mode is visible. Whole rows are selected, several at once, and the selection
// stays visible when the list loses the focus. While the list is empty, each view says how pictures get
// in.
class TLister : public QStackedWidget {
    Q_OBJECT
public:
    TLister(QAbstractItemModel& model, QItemSelectionModel& selection, QWidget* parent = nullptr);

    void SetViewMode(TListViewMode mode);
    TListViewMode ViewMode() const { return Mode; }
    QAbstractItemView* CurrentView() const;
    TListerView* ReportView() const { return Report; }
    TListerView* IconView() const { return Icons; }

    // Scrolls the current view so that the row is fully visible.
    void ScrollTo(int row);
    void SetPopupMenu(QMenu* menu) { PopupMenu = menu; }

Q_SIGNALS:
    void DeleteKeyPressed();
    void DoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PrepareView(QAbstractItemView& view, QItemSelectionModel& selection);

    QWidget* ReportPage;
    TListerView* Report;
    TListerView* Icons;
    QMenu* PopupMenu = nullptr;
    TListViewMode Mode = TListViewMode::Thumbnails;
};
