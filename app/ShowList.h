#pragma once

#include "ImageList.h"
#include "Preview.h"
#include "ShowImage.h"

// The image list as the show pipeline sees it: the entries' paths and the current image.
class TImageListShowList : public TShowList {
public:
    explicit TImageListShowList(TImageList& images) : Images(images) {}
    int Count() const override { return Images.Count(); }
    QString FileName(int index) const override { return Images.FileName(index); }
    QString CurrentImage() const override { return Images.CurrentImage; }
    void SetCurrentImage(const QString& path) override { Images.CurrentImage = path; }

private:
    TImageList& Images;
};

// The shared preview window as the slideshow's picture sink. The window comes into being after the main
// window; steps draw into it whether it is shown or hidden.
class TSharedPreviewSink : public TPictureSink {
public:
    void SetPicture(const QImage& picture) override {
        if (FormPreview != nullptr) {
            FormPreview->SetPicture(picture);
        }
    }
    void SetOrientedPicture(const QImage& picture, int orientation) override {
        if (FormPreview != nullptr) {
            FormPreview->SetOrientedPicture(picture, orientation);
        }
    }
    QSize FittedSize(QSize upright) const override {
        return FormPreview != nullptr ? FormPreview->FittedSize(upright) : QSize();
    }
    void SetFittedPicture(const QImage& picture, int orientation, const QImage& fitted) override {
        if (FormPreview != nullptr) {
            FormPreview->SetFittedPicture(picture, orientation, fitted);
        }
    }
};
