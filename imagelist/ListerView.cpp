#include "ListerView.h"

#include <QPainter>

#include "ErrorBoundary.h"

namespace {
// Keeps a wrapped hint off the view's edges.
constexpr int HintMargin = 16;
}  // namespace

const QString TListerView::EmptyListHint =
    QStringLiteral("Drop pictures here, or choose a folder on the left and press Add");

bool TListerView::ShowsEmptyListHint() const {
    return model() == nullptr || model()->rowCount(rootIndex()) == 0;
}

void TListerView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    SwallowErrors([&] {
        if (ShowsEmptyListHint()) {
            QPainter painter(viewport());
            painter.setPen(palette().color(QPalette::PlaceholderText));
            painter.drawText(viewport()->rect().adjusted(HintMargin, HintMargin, -HintMargin, -HintMargin),
                             Qt::AlignCenter | Qt::TextWordWrap, EmptyListHint);
        }
    });
}
