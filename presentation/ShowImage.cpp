#include "ShowImage.h"

#include <QScopeGuard>

#include <memory>
#include <utility>

#include "Bitmap.h"
#include "BusyCursor.h"
#include "ExifReader.h"
#include "FileUtils.h"
#include "FormatRegistry.h"
#include "FreeImageLoader.h"
#include "Jpeg2000Bitmap.h"
#include "Orientation.h"
#include "ResampleAhead.h"
#include "ShowDecode.h"
#include "Watermark.h"

TShowDecoders TShowDecoders::Standard() {
    TShowDecoders decoders;
    decoders.Jpeg2000 = &LoadJpeg2000File;
    decoders.Registry = &LoadPictureFileInBands;
    decoders.Generic = &LoadWhileEventsRun;
    decoders.Abandon = &AbandonShowDecode;
    decoders.Orientation = &ReadExifOrientation;
    return decoders;
}

TStoredPicture DecodeStoredPicture(const QString& path, const TShowDecoders& decoders,
                                   const TShownRowsDecoded& rowsDecoded) {
    // Read first, so that whoever follows the decode knows which way the picture will stand.
    const int orientation = decoders.Orientation(path);
    QImage picture;
    bool told = false;
    if (IsJpeg2000Name(path)) {
        picture = decoders.Jpeg2000(path);  // its failure ends the show of this file
    }
    if (picture.isNull()) {
        try {
            TRowsDecoded registryRows;
            if (rowsDecoded) {
                registryRows = [&](const QImage& decoded, int rows) {
                    rowsDecoded(decoded, rows, orientation);
                };
            }
            picture = decoders.Registry(path, registryRows);
            told = !picture.isNull() && rowsDecoded;
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
    return {ToWorkingPicture(picture), orientation, told};
}

QImage DecodeShownPicture(const QString& path, const TShowDecoders& decoders) {
    TStoredPicture decoded = DecodeStoredPicture(path, decoders);
    ApplyExifOrientation(decoded.Picture, decoded.Orientation);
    return decoded.Picture;
}

namespace {

// The fit of a picture to a preview, begun while the picture is still being decoded: the preview's fitted
// copy is then ready about when the decode is.
class TFitWhileDecoding {
public:
    explicit TFitWhileDecoding(TPictureSink& preview) : Preview(preview) {}

    // For the decoder. Never raises: without the fit ahead, the preview fits the picture itself.
    void RowsDecoded(const QImage& picture, int rows, int orientation) noexcept {
        try {
            if (!Asked) {
                Asked = true;
                const QSize fitted = Preview.FittedSize(UprightSize(picture.size(), orientation));
                if (!fitted.isEmpty()) {
                    const bool turned = IsQuarterTurn(orientation);
                    const QSize stored = turned ? fitted.transposed() : fitted;
                    Ahead = std::make_unique<TResampleAhead>(picture.size(), stored.width(), stored.height(),
                                                             turned);
                }
            }
            if (Ahead) {
                Ahead->RowsReady(picture, rows);
            }
        } catch (const std::exception&) {
            Ahead.reset();
        }
    }

    // The decode is over: the picture is the caller's again, to draw on.
    void DecodeOver() {
        if (Ahead) {
            Ahead->StopReading();
        }
    }

    // Hands the picture to the preview, with its fitted copy when that was made ahead; `changed` is the
    // part of the picture drawn on since the decode.
    void Show(const TStoredPicture& decoded, const QRect& changed) {
        const QImage fitted = Ahead && decoded.RowsTold ? Ahead->Finish(decoded.Picture, changed) : QImage();
        if (fitted.isNull()) {
            Preview.SetOrientedPicture(decoded.Picture, decoded.Orientation);
        } else {
            Preview.SetFittedPicture(decoded.Picture, decoded.Orientation, fitted);
        }
    }

private:
    TPictureSink& Preview;
    bool Asked = false;
    std::unique_ptr<TResampleAhead> Ahead;
};

}  // namespace

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
    const bool shown = ShowOne(index, watermark, preview);
    StepsAskedMeanwhile();
    return shown;
}

bool TShowImage::ShowOne(int index, bool watermark, TPictureSink& preview) {
    if (Showing || index < 0 || index >= List.Count()) {
        return false;
    }
    const QString path = List.FileName(index);
    if (!FileExists(path)) {
        return false;
    }
    TBusyCursor busy;
    Showing = true;
    const auto over = qScopeGuard([this] { Showing = false; });
    try {
        // The picture stays as stored: the watermark goes where the upright picture's corner is, and only
        // the copy fitted to the screen is turned. That copy is begun while the picture is decoded.
        TFitWhileDecoding fit(preview);
        TStoredPicture decoded =
            DecodeStoredPicture(path, Decoders, [&](const QImage& picture, int rows, int orientation) {
                fit.RowsDecoded(picture, rows, orientation);
            });
        fit.DecodeOver();
        QRect changed;
        if (watermark) {
            const TSettingsValues settings = Settings();
            changed = DrawWatermark(decoded.Picture,
                                    WatermarkText(path, settings.TextOffsetStart, settings.TextLength),
                                    settings, DotsPerInch, decoded.Orientation);
        }
        fit.Show(decoded, changed);
        List.SetCurrentImage(path);
        return true;
    } catch (...) {
        // Nothing of the pipeline is ever reported: the display and the current image stay as they were.
        return false;
    }
}

void TShowImage::Abandon() {
    PendingStep.reset();
    PendingPreview = nullptr;
    if (Decoders.Abandon) {
        Decoders.Abandon();
    }
}

void TShowImage::Step(TStepDirection direction, TPictureSink& preview) {
    if (Showing) {
        PendingStep = direction;
        PendingPreview = &preview;
        return;
    }
    Steps(direction, preview);
    StepsAskedMeanwhile();
}

void TShowImage::StepsAskedMeanwhile() {
    while (!Showing && PendingStep && PendingPreview != nullptr) {
        const TStepDirection pending = *std::exchange(PendingStep, std::nullopt);
        Steps(pending, *std::exchange(PendingPreview, nullptr));
    }
}

void TShowImage::Steps(TStepDirection direction, TPictureSink& preview) {
    QStringList names;
    const int count = List.Count();
    names.reserve(count);
    for (int i = 0; i < count; ++i) {
        names.append(List.FileName(i));
    }
    const bool watermark = Settings().UseWatermarking;
    for (int target : StepCandidates(names, List.CurrentImage(), direction)) {
        if (ShowOne(target, watermark, preview)) {
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
