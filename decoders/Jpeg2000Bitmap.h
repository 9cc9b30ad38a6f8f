#pragma once

#include <QIODevice>
#include <QImage>
#include <QString>

#include "PictureErrors.h"

// The failure of a JPEG 2000 load or save. Its message is one of "Unknown JPEG 2000 file type",
// "JPEG 2000 image decoding failed", "Failed to create JPEG 2000 image struct for saving",
// "JPEG 2000 image encoding failed", or the too-large message of PictureErrors.h.
class EJpeg2000Error : public EInvalidPicture {
public:
    using EInvalidPicture::EInvalidPicture;
};

// The role of one image component, from the JP2 channel-definition box and the enumerated colour space.
enum class ComponentRole { Unspecified = 0, Red, Green, Blue, Luma, ChromaBlue, ChromaRed, Opacity };

// The enumerated colour spaces of the JP2 colour-specification box (ISO/IEC 15444-1).
enum class TJp2ColourSpace { Unknown = 0, SRgb = 16, Greyscale = 17, SYcc = 18 };

// The role of a component with the given channel-definition type and association in a file of the
// given colour space (a component without a channel definition is Unspecified).
ComponentRole RoleOfChannel(int type, int association, TJp2ColourSpace colourSpace);

// The rate of the single quality layer when saving lossy: the compression ratio against the raw 8-bit
// samples. Quality is clamped to 0..100, since the formula divides by zero at 115.
float Jpeg2000Rate(int width, int height, int components, int quality);

// The extensions under which the picture-format registry reads JPEG 2000 files, and their description.
inline constexpr const char* Jpeg2000Extensions[] = {"jp2", "j2k", "jpc"};
inline constexpr const char* Jpeg2000Description = "JPEG 2000 Image";

// True for a path whose extension names a JPEG 2000 file (".jp2", ".j2k", ".jpc", any case).
bool IsJpeg2000Name(const QString& path);

// The picture of a JPEG 2000 file, read through TJpeg2000Bitmap; raises EJpeg2000Error when it cannot.
QImage LoadJpeg2000File(const QString& path);

// A bitmap that reads JP2 files and bare JPEG 2000 code streams through OpenJPEG and writes JP2 files.
// The picture is 8 bits with a grey palette (QImage::Format_Indexed8), 24 bits blue-green-red
// (Format_BGR888) or 32 bits blue-green-red with straight alpha (Format_ARGB32). One object is used by
// one thread at a time; different objects may load and save on different threads at once.
class TJpeg2000Bitmap {
public:
    bool Lossless = false;  // saving only
    quint8 Quality = 80;    // saving only, when not Lossless

    const QImage& Image() const { return Picture; }
    void Assign(const QImage& picture) { Picture = picture; }

    // Decodes the JPEG 2000 data that starts at the stream's position; the stream then stands just after
    // the bytes the decoder consumed. Raises EJpeg2000Error.
    void LoadFromStream(QIODevice& stream);
    void LoadFromFile(const QString& path);

    // Writes the picture as a JP2 file at the stream's position. Raises EJpeg2000Error.
    void SaveToStream(QIODevice& stream) const;
    void SaveToFile(const QString& path) const;

private:
    QImage Picture;
};
