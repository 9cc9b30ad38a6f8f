#include "ShowImage.h"

#include "Bitmap.h"
#include "BusyCursor.h"
#include "ExifReader.h"
#include "FileUtils.h"
#include "FormatRegistry.h"
#include "FreeImageLoader.h"
#include "Jpeg2000Bitmap.h"
#include "Orientation.h"
#include "Watermark.h"

TShowDecoders TShowDecoders::Standard() {
    TShowDecoders decoders;
    decoders.Jpeg2000 = &LoadJpeg2000File;
    decoders.Registry = &LoadPictureFile;
    decoders.Generic = &LoadWithGenericDecoder;
    decoders.Orientation = &ReadExifOrientation;
    return decoders;
}

QImage DecodeShownPicture(const QString& path, const TShowDecoders& decoders) {
    QImage picture;
    if (IsJpeg2000Name(path)) {
        picture = decoders.Jpeg2000(path);  // its failure ends the show of this file
    }
    if (picture.isNull()) {
        try {
            picture = decoders.Registry(path);
        } catch (const std::exception&) {
            // Not a format the registry reads: the generic decoder may still know it.
        }
    }
    if (picture.isNull()) {
        QImage generic;
        if (decoders.Generic(path, generic)) {
            picture = generic;
        }
    }
    picture = ToWorkingPicture(picture);
    ApplyExifOrientation(picture, decoders.Orientation(path));
    return picture;
}

std::vector<int> StepCandidates(const QStringList& fileNames, const QString& current,
                                TStepDirection direction) {
    const int count = int(fileNames.size());
    if (count <= 1) {
        return {};
    }
    const int k = int(fileNames.indexOf(current));
    int target = 0;
    int stride = 1;
    if (direction == TStepDirection::Next) {
        target = k < count - 1 ? k + 1 : 0;
    } else {
        target = k < 1 ? count - 1 : k - 1;
        stride = count - 1;  // one back, modulo count
    }
    std::vector<int> candidates;
    candidates.reserve(count);
    for (int i = 0; i < count; ++i) {
        candidates.push_back((target + i * stride) % count);
    }
    return candidates;
}

TShowImage::TShowImage(TShowList& list, std::function<TSettingsValues()> settings, TShowDecoders decoders,
                       double dotsPerInch)
    : List(list), Settings(std::move(settings)), Decoders(std::move(decoders)), DotsPerInch(dotsPerInch) {}

bool TShowImage::ShowImage(int index, bool watermark, TPictureSink& preview) {
    if (index < 0 || index >= List.Count()) {
        return false;
    }
    const QString path = List.FileName(index);
    if (!FileExists(path)) {
        return false;
    }
    TBusyCursor busy;
    try {
        QImage picture = DecodeShownPicture(path, Decoders);
        if (watermark) {
            const TSettingsValues settings = Settings();
            DrawWatermark(picture, WatermarkText(path, settings.TextOffsetStart, settings.TextLength),
                          settings, DotsPerInch);
        }
        preview.SetPicture(picture);
        List.SetCurrentImage(path);
        return true;
    } catch (...) {
        // Nothing of the pipeline is ever reported: the display and the current image stay as they were.
        return false;
    }
}

void TShowImage::Step(TStepDirection direction, TPictureSink& preview) {
    QStringList names;
    const int count = List.Count();
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        names.append(List.FileName(i));
    }
    const bool watermark = Settings().UseWatermarking;
    for (int target : StepCandidates(names, List.CurrentImage(), direction)) {
        if (ShowImage(target, watermark, preview)) {
            return;
        }
    }
}

void TShowImage::ShowNextImage(TPictureSink& preview) {
    Step(TStepDirection::Next, preview);
}

void TShowImage::ShowPreviousImage(TPictureSink& preview) {
    Step(TStepDirection::Previous, preview);
}
