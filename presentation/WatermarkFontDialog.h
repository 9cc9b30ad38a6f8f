#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "SettingsValues.h"

class QFontDialog;
class QPushButton;

// The font dialog of the watermark: the platform's font chooser (family, size, style, underline and
// strike-out) together with the text colour.
class TWatermarkFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit TWatermarkFontDialog(QWidget* parent = nullptr);

    void SetChosen(const TWatermarkFont& font);
    TWatermarkFont Chosen() const;

    // Runs the dialog on `font`; the chosen font when confirmed, nothing when cancelled.
    static std::optional<TWatermarkFont> Choose(QWidget* parent, const TWatermarkFont& font);

private:
    void ShowColor();

    QFontDialog* FontChooser;
    QPushButton* ButtonColor;
    int Color = 0xFFFFFF;
};

// How the settings dialog asks for a font; tests replace it.
using TWatermarkFontChooser = std::function<std::optional<TWatermarkFont>(QWidget*, const TWatermarkFont&)>;
