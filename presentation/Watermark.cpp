#include "Watermark.h"

#include <QGuiApplication>
#include <QImage>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "FileUtils.h"
#include "Orientation.h"
#include "TextDrawing.h"

namespace {

constexpr int ShadowDistance = 5;
constexpr int StyleBold = 1;
constexpr int StyleItalic = 2;
constexpr int StyleUnderline = 4;
constexpr int StyleStrikeOut = 8;

// The system colours a stored colour can name, by their index.
QPalette::ColorRole SystemColorRole(int index) {
    switch (index) {
        case 1:  // desktop
        case 5:  // window
            return QPalette::Base;
        case 13:
            return QPalette::Highlight;
        case 14:
            return QPalette::HighlightedText;
        case 15:  // button face
            return QPalette::Button;
        case 17:
            return QPalette::PlaceholderText;
        case 18:
            return QPalette::ButtonText;
        default:  // window text and the rest
            return QPalette::Text;
    }
}

}  // namespace

QString WatermarkText(const QString& fileName, int start, int length) {
    const QString name = FileNameOf(fileName);
    const int first = std::max(start, 1) - 1;
    if (first >= name.size() || length <= 0) {
        return QString();
    }
    return name.mid(first, length);
}

QColor ColorFromSettings(int storedColor) {
    const auto bits = static_cast<quint32>(storedColor);
    if ((bits & 0x80000000u) != 0) {
        QColor color = QGuiApplication::palette().color(SystemColorRole(static_cast<int>(bits & 0xFF)));
        color.setAlpha(255);
        return color;
    }
    return QColor(static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF),
                  static_cast<int>((bits >> 16) & 0xFF));
}

QFont FontFromSettings(const TWatermarkFont& font) {
    QFont result(font.Name);
    result.setPointSize(WatermarkFontSizeRange.Clamp(font.Size));
    result.setBold((font.Style & StyleBold) != 0);
    result.setItalic((font.Style & StyleItalic) != 0);
    result.setUnderline((font.Style & StyleUnderline) != 0);
    result.setStrikeOut((font.Style & StyleStrikeOut) != 0);
    return result;
}

int FontStyleBits(const QFont& font) {
    return (font.bold() ? StyleBold : 0) | (font.italic() ? StyleItalic : 0) |
           (font.underline() ? StyleUnderline : 0) | (font.strikeOut() ? StyleStrikeOut : 0);
}

QFont WatermarkFont(const TWatermarkFont& font, int multiplier, double dotsPerInch) {
    QFont result = FontFromSettings(font);
    // Both within their ranges, so that the product is a size a font can have.
    const int points = WatermarkFontSizeRange.Clamp(font.Size) * FontSizeMultiplierRange.Clamp(multiplier);
    result.setPixelSize(std::max(1, static_cast<int>(std::lround(points * dotsPerInch / 72.0))));
    return result;
}

std::optional<QPoint> WatermarkPlacement(int position, QSize picture, QSize text, int xOffset, int yOffset) {
    const int left = xOffset + 2;
    const int right = picture.width() - text.width() - 3 + xOffset;
    const int top = yOffset + 1;
    const int bottom = picture.height() - text.height() - 3 + yOffset;
    switch (position) {
        case 0:
            return QPoint(left, top);
        case 1:
            return QPoint(right, top);
        case 2:
            return QPoint(left, bottom);
        case 3:
            return QPoint(right, bottom);
        default:
            return std::nullopt;
    }
}

QRect DrawWatermark(QImage& picture, const QString& text, const TSettingsValues& settings, double dotsPerInch,
                    int orientation) {
    if (picture.isNull() || text.isEmpty()) {
        return {};
    }
    const QFont font = WatermarkFont(settings.WatermarkFont, settings.FontSizeMultiplier, dotsPerInch);
    const QSize upright = UprightSize(picture.size(), orientation);
    const QSize extent = TextExtent(font, text);
    // The margins hold for the watermark as drawn, its shadow included: in the right and bottom corners
    // the shadow, not the text, stands at the margin, so that nothing of it is cut off.
    const QSize drawn = settings.WatermarkShadow ? extent + QSize(ShadowDistance, ShadowDistance) : extent;
    const std::optional<QPoint> at = WatermarkPlacement(settings.WatermarkPosition, upright, drawn,
                                                        settings.WatermarkXOffset, settings.WatermarkYOffset);
    if (!at) {
        return {};
    }
    const QPoint shadowAt = *at + QPoint(ShadowDistance, ShadowDistance);
    // The upright pixels the text can touch: its ink box and its shadow's, with a margin of a line's
    // height for antialiased edges, underline and strike-out that reach past the ink.
    const int margin = font.pixelSize() + 2;
    const QRect touched =
        QRect(*at, extent).united(QRect(shadowAt, extent)).adjusted(-margin, -margin, margin, margin) &
        QRect(QPoint(), upright);
    if (touched.isEmpty()) {
        return {};
    }
    const auto draw = [&](QImage& target, QPoint origin) {
        if (settings.WatermarkShadow) {
            DrawAntialiasedText(target, font, text, shadowAt - origin, Qt::black);
        }
        DrawAntialiasedText(target, font, text, *at - origin,
                            ColorFromSettings(settings.WatermarkFont.Color));
    };
    if (orientation < 2 || orientation > 8) {  // the picture is upright as it is
        draw(picture, QPoint());
        return touched;
    }
    // Those pixels turned upright, drawn on as the upright picture would be, and turned back.
    const QRect stored = StoredRect(touched, picture.size(), orientation);
    QImage patch = picture.copy(stored);
    ApplyExifOrientation(patch, orientation);
    draw(patch, touched.topLeft());
    ApplyExifOrientation(patch, InverseOrientation(orientation));
    const qsizetype pixelBytes = picture.depth() / 8;
    for (int y = 0; y < stored.height(); ++y) {
        std::memcpy(picture.scanLine(stored.top() + y) + stored.left() * pixelBytes, patch.constScanLine(y),
                    size_t(stored.width() * pixelBytes));
    }
    return stored;
}
