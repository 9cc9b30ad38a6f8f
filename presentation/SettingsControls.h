#pragma once

#include <QRadioButton>
#include <QSpinBox>

// A spin field that clamps every value put into it to its range; text that is no number reads as the
// field's minimum.
class TSpinEdit : public QSpinBox {
    Q_OBJECT
public:
    TSpinEdit(int minimum, int maximum, QWidget* parent = nullptr);

    void fixup(QString& input) const override;
};

// A radio button whose group is kept by its owner: a click only ever checks it, and unchecking it from
// code leaves its partner alone, so that a group can also have no button checked.
class TRadioButton : public QRadioButton {
    Q_OBJECT
public:
    TRadioButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void nextCheckState() override { setChecked(true); }
};
