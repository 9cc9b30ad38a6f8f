#include "Lister.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QTreeView>

#include "ThumbnailImages.h"

namespace {

constexpr int ReportColumnWidth = 500;

// Keeps the selection's highlight when the view loses the focus.
void KeepSelectionVisible(QAbstractItemView& view) {
    QPalette palette = view.palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    view.setPalette(palette);
}

}  // namespace

TLister::TLister(QAbstractItemModel& model, QItemSelectionModel& selection, QWidget* parent)
    : QStackedWidget(parent), Report(new QTreeView(this)), Icons(new QListView(this)) {
    Report->setModel(&model);
    Report->setRootIsDecorated(false);
    Report->setUniformRowHeights(true);
    Report->setItemsExpandable(false);
    Report->header()->setStretchLastSection(false);
    Report->header()->resizeSection(0, ReportColumnWidth);
    Report->header()->setSectionsMovable(false);
    PrepareView(*Report, selection);

    Icons->setModel(&model);
    Icons->setViewMode(QListView::IconMode);
    Icons->setIconSize(TThumbnailImages::ImageSize);
    Icons->setGridSize(TThumbnailImages::ImageSize + QSize(24, 2 * Icons->fontMetrics().height() + 8));
    Icons->setUniformItemSizes(true);
    Icons->setMovement(QListView::Static);
    Icons->setResizeMode(QListView::Adjust);
    Icons->setWrapping(true);
    Icons->setWordWrap(false);
    Icons->setTextElideMode(Qt::ElideMiddle);
    Icons->setLayoutMode(QListView::Batched);
    PrepareView(*Icons, selection);

    addWidget(Report);
    addWidget(Icons);
    SetViewMode(Mode);
}

void TLister::PrepareView(QAbstractItemView& view, QItemSelectionModel& selection) {
    view.setSelectionModel(&selection);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    KeepSelectionVisible(view);
    view.installEventFilter(this);
    connect(&view, &QAbstractItemView::doubleClicked, this, &TLister::DoubleClicked);
    connect(&view, &QWidget::customContextMenuRequested, this, [this, &view](const QPoint& position) {
        if (PopupMenu != nullptr) {
            PopupMenu->popup(view.viewport()->mapToGlobal(position));
        }
    });
}

void TLister::SetViewMode(TListViewMode mode) {
    Mode = mode;
    setCurrentWidget(mode == TListViewMode::List ? static_cast<QWidget*>(Report) : Icons);
}

QAbstractItemView* TLister::CurrentView() const {
    return Mode == TListViewMode::List ? static_cast<QAbstractItemView*>(Report) : Icons;
}

void TLister::ScrollTo(int row) {
    QAbstractItemView* view = CurrentView();
    view->scrollTo(view->model()->index(row, 0), QAbstractItemView::EnsureVisible);
}

bool TLister::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        Q_EMIT DeleteKeyPressed();
        return true;
    }
    return QStackedWidget::eventFilter(watched, event);
}
