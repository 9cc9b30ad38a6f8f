#pragma once

#include <QDialog>

// The window that lists a picture's EXIF metadata.
class TFormEXIFInformation : public QDialog {
    Q_OBJECT
public:
    explicit TFormEXIFInformation(QWidget* parent = nullptr);
};

extern TFormEXIFInformation* FormEXIFInformation;
