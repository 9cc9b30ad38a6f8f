#pragma once

#include <QLabel>
#include <QString>

// A label for a file's name or path: a name too long for the label is shortened in its middle with an
// ellipsis (the whole name is the label's tool tip), and the label never grows to fit a name, so that a
// name of any length costs no more than the label's width to lay out.
class TElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    const QString& FullText() const { return Full; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString Full;
};
