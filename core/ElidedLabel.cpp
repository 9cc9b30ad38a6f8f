#include "ElidedLabel.h"

#include <QFontMetrics>

namespace {
// More characters than any label shows: a longer text is cut before it is measured.
constexpr qsizetype MeasuredCharacters = 4096;
}  // namespace

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

void TElidedLabel::SetFullText(const QString& text) {
    Full = text;
    setToolTip(text.size() <= MeasuredCharacters ? text : QString());
    Elide();
}

QSize TElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

QSize TElidedLabel::sizeHint() const {
    return {0, QLabel::sizeHint().height()};
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void TElidedLabel::Elide() {
    QString shown = Full;
    if (shown.size() > MeasuredCharacters) {
        shown = shown.left(MeasuredCharacters / 2) + shown.right(MeasuredCharacters / 2);
    }
    setText(fontMetrics().elidedText(shown, Qt::ElideMiddle, contentsRect().width()));
}
