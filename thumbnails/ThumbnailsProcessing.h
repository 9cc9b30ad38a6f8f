#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// The picture work behind the image list's 160 x 120 thumbnails: the small picture a JPEG file carries
// in its EXIF data, a thumbnail rendered from a whole picture file, and the centred text of the
// " Generating..." placeholder. Fitting a picture into a box is FitThumbnail (FitThumbnail.h).

inline constexpr int ThumbnailWidth = 160;
inline constexpr int ThumbnailHeight = 120;

// The largest picture an EXIF or database thumbnail can be. Those are decoded and fitted on the GUI
// thread while files are added, so one that declares more is taken for a damaged thumbnail and refused
// from its header, before it is decoded: the entry goes on to its next source.
inline constexpr QSize MaxEmbeddedThumbnailSize{1024, 1024};

inline const QString PlaceholderText = QStringLiteral(" Generating...");
inline const QString NotSupportedText = QStringLiteral("Error: not supported format.");

// True for a name whose extension is ".jpg", ".jpeg", ".jfif" or ".jpe" in any case: the files that may
// carry an EXIF thumbnail.
bool IsExifThumbnailName(const QString& pictureFile);

// The JPEG picture of the file's EXIF thumbnail directory (IFD1), decoded at full size and turned by
// that directory's own orientation tag (the main picture's orientation is not consulted). Only files
// that IsExifThumbnailName accepts are opened. False, with `bitmap` untouched, when there is no such
// thumbnail, it declares more than MaxEmbeddedThumbnailSize, or anything fails; never raises. The
// thumbnail keeps its own size.
bool ExifThumbnail(const QString& pictureFile, QImage& bitmap) noexcept;

// The decoders RenderThumbnail tries, in order. Each may be replaced (tests); the defaults are the
// program's own.
struct TThumbnailDecoders {
    // JPEG 2000 by name; raises EJpeg2000Error for a file it cannot decode.
    std::function<QImage(const QString&)> Jpeg2000;
    // The generic decoder, which fits the picture into the box on the background colour itself, as
    // FitThumbnail fits it; false when it cannot read the file.
    std::function<bool(const QString&, QSize, const QColor&, QImage&)> Generic;
    // The picture-format registry (a "BM" file as a Windows bitmap, else by extension); may raise.
    std::function<QImage(const QString&)> Registry;
    // The generic decoder ran out of time on the file (where it did not read it): the registry, which
    // decodes in the program's own process, does not try it. Optional.
    std::function<bool(const QString&)> GaveUp;
};
const TThumbnailDecoders& StandardThumbnailDecoders();

// Makes `bitmap` the 160 x 120 opaque thumbnail of a picture file by decoding it whole: JPEG 2000 by
// name, else the generic decoder, else the picture-format registry (its errors ignored), unless the
// generic decoder ran out of time on the file. The picture is fitted as FitThumbnail fits it, on
// `windowColour`; a file that no decoder reads gives the red text "Error: not supported format." with a black
// shadow one pixel to the lower right. Returns true. Safe to call from several threads at once.
bool RenderThumbnail(const QString& pictureFile, QImage& bitmap, const QColor& windowColour,
                     const TThumbnailDecoders& decoders = StandardThumbnailDecoders());

// The fonts of the texts drawn on thumbnails: `face` at `points`, made one point smaller while the text
// is at least width - 4 pixels wide, but never below MinimumTextPoints.
inline constexpr int MinimumTextPoints = 5;
QFont FittedFont(QFont face, int points, const QString& text, int width);
// Tahoma from 8 points (DrawCentredText).
QFont CentredTextFont(const QString& text, int width);
// The default user-interface typeface from 9 points, so that the not-supported text fits a thumbnail
// also in a face wider than Tahoma.
QFont NotSupportedFont();

// Fills `bitmap` with `backgroundColour` and draws `text` centred on it (one pixel up and to the left of
// the exact centre) in Tahoma, antialiased, in a dark grey blended over the background at 0x44 / 255
// opacity. Draws nothing on a null picture; swallows errors (the picture may then be partly drawn).
void DrawCentredText(QImage& bitmap, const QString& text, const QColor& backgroundColour) noexcept;

// The placeholder an entry shows until its thumbnail arrives: " Generating..." on a 160 x 120 picture
// of `backgroundColour` (the image list's background colour).
QImage MakePlaceholderThumbnail(const QColor& backgroundColour);
