#pragma once

#include <QWidget>

// The full-screen picture window that shows pictures to the audience.
class TFormPreview : public QWidget {
    Q_OBJECT
public:
    explicit TFormPreview(QWidget* parent = nullptr);
};

// The shared preview window that slideshows use; hidden until a slideshow starts.
extern TFormPreview* FormPreview;
