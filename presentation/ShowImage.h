#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include "JpegReader.h"
#include "PictureSink.h"
#include "SettingsValues.h"

// What the show pipeline needs of the image list: its entries' paths in display order and the current
// image, the path of the last picture handed to a preview window.
class TShowList {
public:
    virtual ~TShowList() = default;
    virtual int Count() const = 0;
    virtual QString FileName(int index) const = 0;
    virtual QString CurrentImage() const = 0;
    virtual void SetCurrentImage(const QString& path) = 0;
};

// The decoders the pipeline tries, in order. Each may be replaced (tests, a program without the
// generic decoder); the defaults are the program's own.
struct TShowDecoders {
    // JPEG 2000 by name; raises EJpeg2000Error for a file it cannot decode.
    std::function<QImage(const QString&)> Jpeg2000;
    // The picture-format registry (a "BM" file as a Windows bitmap, else by extension); may raise. Tells
    // the rows as they are decoded where its reader decodes in bands (FormatRegistry.h).
    std::function<QImage(const QString&, const TRowsDecoded&)> Registry;
    // The generic decoder; false when it cannot read the file. The program's own lets the GUI's events
    // go on while it decodes (ShowDecode.h).
    std::function<bool(const QString&, QImage&)> Generic;
    // Gives up on the generic decode under way, if any (optional).
    std::function<void()> Abandon;
    // The main directory's EXIF orientation, 0 when there is none; never raises.
    std::function<int(const QString&)> Orientation;

    static TShowDecoders Standard();
};

// A decoded picture as its file stores it, with the EXIF orientation that turns it upright (0 when the
// file has none).
struct TStoredPicture {
    QImage Picture;
    int Orientation = 0;
    // The picture is the one whose rows were told as they were decoded (not one of a later route).
    bool RowsTold = false;
};

// Told as a picture's rows are decoded (where the registry's reader decodes in bands): the rows [0, rows)
// of `picture` are final (see TRowsDecoded, JpegReader.h); `orientation` is its EXIF orientation.
using TShownRowsDecoded = std::function<void(const QImage& picture, int rows, int orientation)>;

// Decodes a picture file the way a preview shows it: JPEG 2000 by name (its errors propagate), then the
// registry and then the generic decoder (their failures ignored), as a 32-bit working picture, with its
// EXIF orientation. Null when no decoder reads the file.
TStoredPicture DecodeStoredPicture(const QString& path, const TShowDecoders& decoders,
                                   const TShownRowsDecoded& rowsDecoded = {});

// The same picture turned upright.
QImage DecodeShownPicture(const QString& path, const TShowDecoders& decoders);

// The entries a step tries, in order. The first is the neighbour of the first entry holding `current`
// (exact comparison) with wrap-around: after the last entry, and when `current` is in no entry, "next"
// goes to entry 0 and "previous" to the last entry. The others follow in the step's direction, so that
// the whole list is tried at most once. A list of one entry (or none) gives no entries: a step there
// changes nothing.
enum class TStepDirection { Next, Previous };
std::vector<int> StepCandidates(const QStringList& fileNames, const QString& current,
                                TStepDirection direction);

// The show-image pipeline: every way of showing an entry of the list in a preview window goes through
// this one object, which also keeps the current image up to date.
class TShowImage {
public:
    // `settings` is read at every call, so that switching the watermark or its font takes effect with
    // the next step. `dotsPerInch` sizes the watermark's font.
    TShowImage(TShowList& list, std::function<TSettingsValues()> settings,
               TShowDecoders decoders = TShowDecoders::Standard(), double dotsPerInch = 96.0);

    // Shows entry `index` in `preview`, with the file-name watermark when `watermark` is set, and makes
    // its path the current image. Returns false, with the display and the current image unchanged, for
    // an index outside the list, a missing file, a JPEG 2000 file that fails to decode or any other
    // failure. A file that no decoder reads is shown as an empty (black) picture and returns true.
    bool ShowImage(int index, bool watermark, TPictureSink& preview);

    // Steps from the current image to its neighbour, with "Use watermarking" as set now. An entry that
    // cannot be shown is passed over; when none of them can, nothing changes.
    void ShowNextImage(TPictureSink& preview);
    void ShowPreviousImage(TPictureSink& preview);

    // A picture is being shown: the GUI's events may run meanwhile (a slow file in the generic decoder),
    // and a show or a step asked then does not start another one. ShowImage returns false; steps asked
    // meanwhile are merged into one, the last asked, made once the picture is shown.
    bool Busy() const { return Showing; }
    // The preview went away: the picture being decoded for it is given up, and so is a step waiting.
    void Abandon();

private:
    void Step(TStepDirection direction, TPictureSink& preview);
    // One step: the candidates tried in turn.
    void Steps(TStepDirection direction, TPictureSink& preview);
    bool ShowOne(int index, bool watermark, TPictureSink& preview);
    void StepsAskedMeanwhile();

    TShowList& List;
    std::function<TSettingsValues()> Settings;
    TShowDecoders Decoders;
    double DotsPerInch;
    bool Showing = false;
    // The step asked while a picture was being shown, for its preview.
    std::optional<TStepDirection> PendingStep;
    TPictureSink* PendingPreview = nullptr;
};
