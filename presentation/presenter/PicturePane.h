#pragma once

#include <QImage>
#include <QWidget>

// A small picture in the presenter window: drawn fitted and centred on black, smoothly (it is a glance for
// the operator, not the audience's picture). A reduced copy is made once per picture and size; an
// enlarged one is interpolated as it is drawn.
class TPicturePane : public QWidget {
    Q_OBJECT
public:
    explicit TPicturePane(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    const QImage& Image() const { return Source; }
    // The pane's size in device pixels.
    QSize DeviceSize() const;

signals:
    // The pane changed size: a picture made for its size is made again.
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage Source;
    QImage Scaled;  // Source reduced to fit the pane, made at the first paint at a size
};
