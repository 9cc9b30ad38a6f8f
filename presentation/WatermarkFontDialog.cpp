#include "WatermarkFontDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "Watermark.h"

namespace {

int StoredColor(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

}  // namespace

TWatermarkFontDialog::TWatermarkFontDialog(QWidget* parent)
    : QDialog(parent),
      FontChooser(new QFontDialog(this)),
      ButtonColor(new QPushButton(QStringLiteral("Colour..."), this)) {
    setWindowTitle(QStringLiteral("Font — Orvalis"));
    FontChooser->setWindowFlags(Qt::Widget);
    FontChooser->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QStringLiteral("Colour:"), this));
    colorRow->addWidget(ButtonColor);
    colorRow->addStretch(1);
    connect(ButtonColor, &QPushButton::clicked, this, [this] {
        const QColor chosen =
            QColorDialog::getColor(ColorFromSettings(Color), this, QStringLiteral("Colour — Orvalis"));
        if (chosen.isValid()) {
            Color = StoredColor(chosen);
            ShowColor();
        }
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FontChooser);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    ShowColor();
}

void TWatermarkFontDialog::ShowColor() {
    QPixmap swatch(24, 14);
    swatch.fill(ColorFromSettings(Color));
    ButtonColor->setIcon(QIcon(swatch));
}

void TWatermarkFontDialog::SetChosen(const TWatermarkFont& font) {
    FontChooser->setCurrentFont(FontFromSettings(font));
    Color = font.Color;
    ShowColor();
}

TWatermarkFont TWatermarkFontDialog::Chosen() const {
    const QFont qfont = FontChooser->currentFont();
    TWatermarkFont font;
    font.Name = qfont.family();
    font.Size = WatermarkFontSizeRange.Clamp(qfont.pointSize());
    font.Color = Color;
    font.Style = FontStyleBits(qfont);
    return font;
}

std::optional<TWatermarkFont> TWatermarkFontDialog::Choose(QWidget* parent, const TWatermarkFont& font) {
    TWatermarkFontDialog dialog(parent);
    dialog.SetChosen(font);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Chosen();
}
