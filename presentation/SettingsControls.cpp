#include "SettingsControls.h"

TSpinEdit::TSpinEdit(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

void TSpinEdit::fixup(QString& input) const {
    bool isNumber = false;
    const int value = input.trimmed().toInt(&isNumber);
    input = QString::number(isNumber ? std::clamp(value, minimum(), maximum()) : minimum());
}

TRadioButton::TRadioButton(const QString& caption, QWidget* parent) : QRadioButton(caption, parent) {
    setAutoExclusive(false);
}
