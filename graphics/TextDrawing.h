#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>

class QImage;

// Antialiased text on 32-bit pictures. Positions and sizes are those of the text's ink: the box its
// pixels cover, not the font's line cell, so that text placed at a margin stands exactly that far from
// the picture's edge. Safe to call from any thread (each call paints only its own picture).

// The size of the ink box of `text` in `font`; empty for an empty or blank text.
QSize TextExtent(const QFont& font, const QString& text);

// Draws `text` opaque in `colour` with its ink box's top-left corner at `topLeft`, blending the edges
// by coverage. What falls outside the picture is clipped; nothing is drawn on a null picture.
void DrawAntialiasedText(QImage& picture, const QFont& font, const QString& text, QPoint topLeft,
                         const QColor& colour);
