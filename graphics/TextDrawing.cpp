#include "TextDrawing.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace {

// Grey-scale antialiasing only: colour fringes make no sense on a picture that is scaled afterwards.
QFont AntialiasedFont(QFont font) {
    font.setStyleStrategy(
        static_cast<QFont::StyleStrategy>(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QRect InkBox(const QFont& font, const QString& text) {
    return text.isEmpty() ? QRect() : QFontMetrics(font).tightBoundingRect(text);
}

}  // namespace

QSize TextExtent(const QFont& font, const QString& text) {
    return InkBox(AntialiasedFont(font), text).size();
}

void DrawAntialiasedText(QImage& picture, const QFont& font, const QString& text, QPoint topLeft,
                         const QColor& colour) {
    if (picture.isNull() || text.isEmpty()) {
        return;
    }
    const QFont drawingFont = AntialiasedFont(font);
    const QRect ink = InkBox(drawingFont, text);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(drawingFont);
    QColor opaque = colour;
    opaque.setAlpha(255);
    painter.setPen(opaque);
    // The ink box is relative to the text's baseline origin.
    painter.drawText(topLeft - ink.topLeft(), text);
}
