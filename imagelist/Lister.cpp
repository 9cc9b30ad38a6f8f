#include "Lister.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "ThumbnailImages.h"

namespace {

constexpr int ReportColumnWidth = 500;
constexpr QSize SmallIconSize{16, 16};

// Keeps the selection's highlight when the view loses the focus.
void KeepSelectionVisible(QAbstractItemView& view) {
    QPalette palette = view.palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    view.setPalette(palette);
}

}  // namespace

// Sizes and draws every entry with room for an image of the view's own image size, whatever the model
// serves at the moment. Both views share one model, which serves the images of the current mode only:
// a view that measures its entries while the other one is shown (after a delete, for one) would
// otherwise take the other mode's image size and, its items being of uniform size, keep it.
class TViewImageDelegate : public QStyledItemDelegate {
public:
    TViewImageDelegate(QSize imageSize, QObject* parent)
        : QStyledItemDelegate(parent), ImageSize(imageSize) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = ImageSize;
    }

private:
    QSize ImageSize;
};

// Rows as wide as the report's column, so that the selection highlights the whole row.
class TReportRowDelegate : public TViewImageDelegate {
public:
    using TViewImageDelegate::TViewImageDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(ReportColumnWidth, TViewImageDelegate::sizeHint(option, index).height());
    }
};

TLister::TLister(QAbstractItemModel& model, QItemSelectionModel& selection, QWidget* parent)
    : QStackedWidget(parent),
      ReportPage(new QWidget(this)),
      Report(new TListerView(ReportPage)),
      Icons(new TListerView(this)) {
    // The report is a one-column list under a header. A plain list view keeps adding rows cheap at any
    // length, where a tree view lays out every row again for each one added.
    auto* header = new QHeaderView(Qt::Horizontal, ReportPage);
    header->setModel(&model);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->resizeSection(0, ReportColumnWidth);
    // A header standing alone would share the page's height with the list; it keeps its own.
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setFixedHeight(header->sizeHint().height());
    Report->setModel(&model);
    Report->setViewMode(QListView::ListMode);
    Report->setUniformItemSizes(true);
    Report->setItemDelegate(new TReportRowDelegate(SmallIconSize, Report));
    PrepareView(*Report, selection);
    auto* reportColumn = new QVBoxLayout(ReportPage);
    reportColumn->setContentsMargins(0, 0, 0, 0);
    reportColumn->setSpacing(0);
    reportColumn->addWidget(header);
    reportColumn->addWidget(Report, 1);

    Icons->setModel(&model);
    Icons->setViewMode(QListView::IconMode);
    Icons->setIconSize(TThumbnailImages::ImageSize);
    Icons->setItemDelegate(new TViewImageDelegate(TThumbnailImages::ImageSize, Icons));
    Icons->setGridSize(TThumbnailImages::ImageSize + QSize(24, 2 * Icons->fontMetrics().height() + 8));
    Icons->setUniformItemSizes(true);
    Icons->setMovement(QListView::Static);
    Icons->setResizeMode(QListView::Adjust);
    Icons->setWrapping(true);
    Icons->setWordWrap(false);
    Icons->setTextElideMode(Qt::ElideMiddle);
    Icons->setLayoutMode(QListView::Batched);
    PrepareView(*Icons, selection);

    addWidget(ReportPage);
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
    setCurrentWidget(mode == TListViewMode::List ? ReportPage : static_cast<QWidget*>(Icons));
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
