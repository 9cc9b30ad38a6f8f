#include "Jpeg2000Bitmap.h"

#include <openjpeg.h>

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "FileUtils.h"
#include "FormatRegistry.h"
#include "Jp2Boxes.h"
#include "PictureMemory.h"

namespace {

const char* const UnknownTypeMessage = "Unknown JPEG 2000 file type";
const char* const DecodingFailedMessage = "JPEG 2000 image decoding failed";
const char* const CreateFailedMessage = "Failed to create JPEG 2000 image struct for saving";
const char* const EncodingFailedMessage = "JPEG 2000 image encoding failed";

[[noreturn]] void Fail(const char* message) {
    throw EJpeg2000Error(QString::fromLatin1(message));
}

struct TCodecCloser {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct TStreamCloser {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct TImageCloser {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using TCodec = std::unique_ptr<opj_codec_t, TCodecCloser>;
using TStream = std::unique_ptr<opj_stream_t, TStreamCloser>;
using TImage = std::unique_ptr<opj_image_t, TImageCloser>;

// The bytes the decoder reads, and how far it has read: after opj_decode that is the end of the code
// stream, since the stream is created with a one-byte buffer and so never reads ahead.
struct TReadSource {
    const unsigned char* Data = nullptr;
    OPJ_OFF_T Size = 0;
    OPJ_OFF_T Position = 0;
};

OPJ_SIZE_T ReadFromSource(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* source = static_cast<TReadSource*>(user);
    const OPJ_OFF_T left = source->Size - source->Position;
    if (left <= 0) {
        return static_cast<OPJ_SIZE_T>(-1);
    }
    const auto n = std::min<OPJ_SIZE_T>(count, static_cast<OPJ_SIZE_T>(left));
    std::memcpy(buffer, source->Data + source->Position, n);
    source->Position += static_cast<OPJ_OFF_T>(n);
    return n;
}

OPJ_OFF_T SkipInSource(OPJ_OFF_T count, void* user) {
    auto* source = static_cast<TReadSource*>(user);
    if (count < 0 || count > source->Size - source->Position) {
        source->Position = count < 0 ? source->Position : source->Size;
        return -1;
    }
    source->Position += count;
    return count;
}

OPJ_BOOL SeekInSource(OPJ_OFF_T position, void* user) {
    auto* source = static_cast<TReadSource*>(user);
    if (position < 0 || position > source->Size) {
        return OPJ_FALSE;
    }
    source->Position = position;
    return OPJ_TRUE;
}

// The encoded file as the encoder writes it; the JP2 writer skips ahead and seeks back to fill in box
// lengths, so this is a growing buffer with a position rather than a plain append.
struct TWriteTarget {
    QByteArray Bytes;
    qint64 Position = 0;
    void Reach(qint64 end) {
        if (end > Bytes.size()) {
            Bytes.resize(end, '\0');
        }
    }
};

OPJ_SIZE_T WriteToTarget(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* target = static_cast<TWriteTarget*>(user);
    target->Reach(target->Position + qint64(count));
    std::memcpy(target->Bytes.data() + target->Position, buffer, count);
    target->Position += qint64(count);
    return count;
}

OPJ_OFF_T SkipInTarget(OPJ_OFF_T count, void* user) {
    auto* target = static_cast<TWriteTarget*>(user);
    if (target->Position + count < 0) {
        return -1;
    }
    target->Position += count;
    target->Reach(target->Position);
    return count;
}

OPJ_BOOL SeekInTarget(OPJ_OFF_T position, void* user) {
    auto* target = static_cast<TWriteTarget*>(user);
    if (position < 0) {
        return OPJ_FALSE;
    }
    target->Position = position;
    target->Reach(position);
    return OPJ_TRUE;
}

TJp2ColourSpace ColourSpaceOf(const opj_image_t& image) {
    switch (image.color_space) {
        case OPJ_CLRSPC_SRGB:
            return TJp2ColourSpace::SRgb;
        case OPJ_CLRSPC_GRAY:
            return TJp2ColourSpace::Greyscale;
        case OPJ_CLRSPC_SYCC:
            return TJp2ColourSpace::SYcc;
        default:
            return TJp2ColourSpace::Unknown;
    }
}

// The roles of the decoded components. OpenJPEG has already moved every colour channel to the place its
// association names, with the same swaps as below, but it does not tell which channel ended where: the
// swaps are repeated on the channel numbers to find each component's channel definition.
std::vector<ComponentRole> RolesOf(const std::vector<TChannelDefinition>& definitions, int componentCount,
                                   TJp2ColourSpace colourSpace) {
    std::vector<ComponentRole> roles(componentCount, ComponentRole::Unspecified);
    if (definitions.empty()) {
        return roles;
    }
    std::vector<int> channelAt(componentCount);
    for (int i = 0; i < componentCount; ++i) {
        channelAt[i] = i;
    }
    std::vector<int> channels;
    for (const auto& definition : definitions) {
        channels.push_back(definition.Channel);
    }
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const int channel = channels[i];
        const int association = definitions[i].Association;
        if (channel >= componentCount || association == 0 || association == 65535) {
            continue;
        }
        const int target = association - 1;
        if (target >= componentCount || target == channel || definitions[i].Type != 0) {
            continue;
        }
        std::swap(channelAt[channel], channelAt[target]);
        for (std::size_t j = i + 1; j < channels.size(); ++j) {
            if (channels[j] == channel) {
                channels[j] = target;
            } else if (channels[j] == target) {
                channels[j] = channel;
            }
        }
    }
    for (int position = 0; position < componentCount; ++position) {
        for (const auto& definition : definitions) {
            if (definition.Channel == channelAt[position]) {
                roles[position] = RoleOfChannel(definition.Type, definition.Association, colourSpace);
                break;
            }
        }
    }
    return roles;
}

// The byte of the pixel that a component of the given role and index fills.
int BytePosition(ComponentRole role, int index, int bytesPerPixel, TJp2ColourSpace colourSpace) {
    switch (role) {
        case ComponentRole::Red:
            return 2;
        case ComponentRole::Green:
        case ComponentRole::ChromaBlue:
            return 1;
        case ComponentRole::Blue:
        case ComponentRole::ChromaRed:
            return 0;
        case ComponentRole::Opacity:
            return 3;
        case ComponentRole::Luma:
            return colourSpace == TJp2ColourSpace::SYcc ? 2 : 0;
        case ComponentRole::Unspecified:
            break;
    }
    if (bytesPerPixel == 1) {
        return 0;
    }
    constexpr std::array<int, 4> RedGreenBlueOpacity = {2, 1, 0, 3};
    return RedGreenBlueOpacity[index];
}

// Turns samples of one component into bytes: 8-bit samples keep their low byte (signed ones shifted by
// 128), others are scaled to 0..255. 64-bit arithmetic: 31-bit samples times 255 overflow 32 bits.
class TSampleToByte {
public:
    explicit TSampleToByte(const opj_image_comp_t& component)
        : Precision(component.prec),
          Offset(component.sgnd ? qint64(1) << (component.prec - 1) : 0),
          Max((qint64(1) << component.prec) - 1) {}
    quint8 operator()(OPJ_INT32 sample) const {
        if (Precision == 8) {
            return static_cast<quint8>(sample + Offset);
        }
        return static_cast<quint8>((sample + Offset) * 255 / Max);
    }

private:
    OPJ_UINT32 Precision;
    qint64 Offset;
    qint64 Max;
};

// Copies one component into byte `position` of every pixel, enlarging a subsampled component by
// repetition. Only this component's bytes are repeated into the following rows, so components written
// before keep their own rows.
void CopyComponent(const opj_image_comp_t& component, int position, int bytesPerPixel, QImage& picture) {
    const int width = picture.width();
    const int height = picture.height();
    const int dx = std::max<int>(1, static_cast<int>(component.dx));
    const int dy = std::max<int>(1, static_cast<int>(component.dy));
    const int columns = static_cast<int>(std::min<OPJ_UINT32>(component.w, (width + dx - 1) / dx));
    const int rows = static_cast<int>(std::min<OPJ_UINT32>(component.h, (height + dy - 1) / dy));
    const TSampleToByte toByte(component);
    for (int i = 0; i < rows; ++i) {
        const OPJ_INT32* samples = component.data + std::size_t(i) * component.w;
        const int top = i * dy;
        uchar* row = picture.scanLine(top) + position;
        if (dx == 1) {
            for (int j = 0; j < columns; ++j) {
                row[j * bytesPerPixel] = toByte(samples[j]);
            }
        } else {
            for (int j = 0; j < columns; ++j) {
                const quint8 value = toByte(samples[j]);
                const int right = std::min(width, (j + 1) * dx);
                for (int x = j * dx; x < right; ++x) {
                    row[x * bytesPerPixel] = value;
                }
            }
        }
        for (int y = top + 1; y < std::min(height, top + dy); ++y) {
            uchar* repeated = picture.scanLine(y) + position;
            for (int x = 0; x < width; ++x) {
                repeated[x * bytesPerPixel] = row[x * bytesPerPixel];
            }
        }
    }
}

quint8 ClampToByte(double value) {
    return static_cast<quint8>(std::clamp<long>(std::lround(value), 0, 255));
}

// Y in byte 2, Cb in byte 1, Cr in byte 0 become red, green and blue in bytes 2, 1, 0.
void ConvertSyccToRgb(QImage& picture, int bytesPerPixel) {
    for (int y = 0; y < picture.height(); ++y) {
        uchar* pixel = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, pixel += bytesPerPixel) {
            const double luma = pixel[2];
            const double chromaBlue = pixel[1] - 128.0;
            const double chromaRed = pixel[0] - 128.0;
            pixel[0] = ClampToByte(luma + 1.772 * chromaBlue);
            pixel[1] = ClampToByte(luma - 0.34414 * chromaBlue - 0.71414 * chromaRed);
            pixel[2] = ClampToByte(luma + 1.402 * chromaRed);
        }
    }
}

QImage BlankPicture(int width, int height, int bytesPerPixel) {
    QImage picture;
    if (bytesPerPixel == 1) {
        picture = NewPicture(width, height, QImage::Format_Indexed8);
        QList<QRgb> grey(256);
        for (int i = 0; i < 256; ++i) {
            grey[i] = qRgb(i, i, i);
        }
        picture.setColorTable(grey);
    } else {
        picture =
            NewPicture(width, height, bytesPerPixel == 3 ? QImage::Format_BGR888 : QImage::Format_ARGB32);
    }
    if (picture.isNull()) {
        Fail(DecodingFailedMessage);
    }
    picture.fill(0);
    return picture;
}

// Refuses, before decoding, a picture whose pixels or whose decoded samples (OpenJPEG keeps each sample
// in 32 bits) would need more than MaxPictureBytes.
void CheckDeclaredSize(const opj_image_t& header) {
    const qint64 width = qint64(header.x1) - header.x0;
    const qint64 height = qint64(header.y1) - header.y0;
    if (width <= 0 || height <= 0) {
        Fail(DecodingFailedMessage);
    }
    qint64 sampleBytes = 0;
    for (OPJ_UINT32 i = 0; i < header.numcomps; ++i) {
        const qint64 dx = std::max<qint64>(1, header.comps[i].dx);
        const qint64 dy = std::max<qint64>(1, header.comps[i].dy);
        sampleBytes += ((width + dx - 1) / dx) * ((height + dy - 1) / dy) * 4;
        if (sampleBytes > MaxPictureBytes) {
            break;
        }
    }
    if (PictureTooLarge(width, height) || sampleBytes > MaxPictureBytes) {
        throw EJpeg2000Error(PictureTooLargeMessage(width, height));
    }
}

QImage PictureFromImage(const opj_image_t& image, const std::vector<TChannelDefinition>& definitions) {
    const int count = static_cast<int>(image.numcomps);
    const int bytesPerPixel = count == 3 || count == 4 ? count : 1;
    if (count < 1) {
        Fail(DecodingFailedMessage);
    }
    for (int i = 0; i < bytesPerPixel; ++i) {
        const opj_image_comp_t& component = image.comps[i];
        if (component.data == nullptr || component.prec < 1 || component.prec > 31) {
            Fail(DecodingFailedMessage);
        }
    }
    const TJp2ColourSpace colourSpace = ColourSpaceOf(image);
    const std::vector<ComponentRole> roles = RolesOf(definitions, count, colourSpace);
    QImage picture = BlankPicture(static_cast<int>(image.x1 - image.x0),
                                  static_cast<int>(image.y1 - image.y0), bytesPerPixel);
    for (int i = 0; i < bytesPerPixel; ++i) {
        const int position = BytePosition(roles[i], i, bytesPerPixel, colourSpace);
        // A component whose role lies outside the pixel (opacity in a 24-bit picture) contributes nothing.
        if (position < bytesPerPixel) {
            CopyComponent(image.comps[i], position, bytesPerPixel, picture);
        }
    }
    if (colourSpace == TJp2ColourSpace::SYcc && bytesPerPixel >= 3) {
        ConvertSyccToRgb(picture, bytesPerPixel);
    }
    // The colours of the file's ICC profile (its colr box), converted where the picture is shown.
    if (bytesPerPixel >= 3 && image.icc_profile_buf != nullptr && image.icc_profile_len > 0) {
        picture.setColorSpace(QColorSpace::fromIccProfile(QByteArray(
            reinterpret_cast<const char*>(image.icc_profile_buf), qsizetype(image.icc_profile_len))));
    }
    return picture;
}

bool StartsWith(const QByteArray& bytes, const char* prefix, int length) {
    return bytes.size() >= 8 && std::memcmp(bytes.constData(), prefix, length) == 0;
}

// The picture to encode (24 or 32 bits, blue-green-red(-alpha) bytes) and its component count.
std::pair<QImage, int> EncodableCopy(const QImage& picture) {
    switch (picture.format()) {
        case QImage::Format_ARGB32:
        case QImage::Format_BGR888:
            return {picture, picture.format() == QImage::Format_ARGB32 ? 4 : 3};
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32_Premultiplied:
            return {picture.convertToFormat(QImage::Format_ARGB32), 4};
        default:
            return {picture.convertToFormat(QImage::Format_BGR888), 3};
    }
}

// Six resolution levels, fewer for pictures too small for them: OpenJPEG refuses a level count whose
// lowest resolution would be narrower than one pixel.
int ResolutionLevels(int width, int height) {
    int levels = 6;
    while (levels > 1 && (1 << (levels - 1)) > std::min(width, height)) {
        --levels;
    }
    return levels;
}

}  // namespace

ComponentRole RoleOfChannel(int type, int association, TJp2ColourSpace colourSpace) {
    if (type == 1 && association == 0) {
        return ComponentRole::Opacity;
    }
    if (type != 0 || association < 1 || association > 3) {
        return ComponentRole::Unspecified;
    }
    switch (colourSpace) {
        case TJp2ColourSpace::SRgb:
            return std::array{ComponentRole::Red, ComponentRole::Green, ComponentRole::Blue}[association - 1];
        case TJp2ColourSpace::Greyscale:
            return association == 1 ? ComponentRole::Luma : ComponentRole::Unspecified;
        case TJp2ColourSpace::SYcc:
            return std::array{ComponentRole::Luma, ComponentRole::ChromaBlue,
                              ComponentRole::ChromaRed}[association - 1];
        case TJp2ColourSpace::Unknown:
            break;
    }
    return ComponentRole::Unspecified;
}

float Jpeg2000Rate(int width, int height, int components, int quality) {
    const float distance = 115.0f - static_cast<float>(std::clamp(quality, 0, 100));
    const float bytesPerSample = 100.0f / (distance * distance);
    const float samples =
        static_cast<float>(width) * static_cast<float>(height) * static_cast<float>(components);
    return samples / (samples * bytesPerSample + 550.0f + 142.0f * static_cast<float>(components - 1));
}

void TJpeg2000Bitmap::LoadFromStream(QIODevice& stream) {
    const qint64 start = stream.pos();
    const QByteArray signature = stream.peek(8);
    OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
    if (StartsWith(signature, "\x00\x00\x00\x0C\x6A\x50\x20\x20", 8)) {
        format = OPJ_CODEC_JP2;
    } else if (StartsWith(signature, "\xFF\x4F\xFF\x51", 4)) {
        format = OPJ_CODEC_J2K;
    } else {
        Fail(UnknownTypeMessage);
    }

    const QByteArray bytes = stream.readAll();
    TReadSource source{reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size(), 0};
    const TCodec codec(opj_create_decompress(format));
    const TStream input(opj_stream_create(1, OPJ_TRUE));
    if (!codec || !input) {
        Fail(DecodingFailedMessage);
    }
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_stream_set_user_data(input.get(), &source, nullptr);
    opj_stream_set_user_data_length(input.get(), static_cast<OPJ_UINT64>(source.Size));
    opj_stream_set_read_function(input.get(), ReadFromSource);
    opj_stream_set_skip_function(input.get(), SkipInSource);
    opj_stream_set_seek_function(input.get(), SeekInSource);

    opj_image_t* header = nullptr;
    const bool headerRead =
        opj_setup_decoder(codec.get(), &parameters) && opj_read_header(input.get(), codec.get(), &header);
    const TImage image(header);
    if (!headerRead || !image) {
        Fail(DecodingFailedMessage);
    }
    CheckDeclaredSize(*image);
    if (!opj_decode(codec.get(), input.get(), image.get())) {
        Fail(DecodingFailedMessage);
    }
    stream.seek(start + source.Position);

    const std::vector<TChannelDefinition> definitions =
        format == OPJ_CODEC_JP2 ? ReadChannelDefinitions(bytes) : std::vector<TChannelDefinition>{};
    Picture = PictureFromImage(*image, definitions);
}

bool IsJpeg2000Name(const QString& path) {
    const QString suffix = QFileInfo(path).suffix();
    return std::any_of(std::begin(Jpeg2000Extensions), std::end(Jpeg2000Extensions),
                       [&](const char* extension) {
                           return suffix.compare(QLatin1String(extension), Qt::CaseInsensitive) == 0;
                       });
}

QImage LoadJpeg2000File(const QString& path) {
    TJpeg2000Bitmap bitmap;
    bitmap.LoadFromFile(path);
    return bitmap.Image();
}

void TJpeg2000Bitmap::LoadFromFile(const QString& path) {
    QByteArray bytes = ReadPictureFile(path);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    LoadFromStream(buffer);
}

void TJpeg2000Bitmap::SaveToStream(QIODevice& stream) const {
    const auto [source, count] = EncodableCopy(Picture);
    const int width = source.width();
    const int height = source.height();
    if (source.isNull()) {
        Fail(CreateFailedMessage);
    }
    std::array<opj_image_cmptparm_t, 4> parameters{};
    for (auto& component : parameters) {
        component.dx = 1;
        component.dy = 1;
        component.w = static_cast<OPJ_UINT32>(width);
        component.h = static_cast<OPJ_UINT32>(height);
        component.prec = 8;
        component.sgnd = 0;
    }
    const TImage image(opj_image_create(static_cast<OPJ_UINT32>(count), parameters.data(), OPJ_CLRSPC_SRGB));
    if (!image) {
        Fail(CreateFailedMessage);
    }
    image->x0 = 0;
    image->y0 = 0;
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    if (count == 4) {
        // An opacity component after the colours makes OpenJPEG write the channel-definition box.
        image->comps[3].alpha = 1;
    }
    constexpr std::array<int, 4> ByteOfComponent = {2, 1, 0, 3};
    for (int y = 0; y < height; ++y) {
        const uchar* pixel = source.constScanLine(y);
        const std::size_t row = std::size_t(y) * width;
        for (int x = 0; x < width; ++x, pixel += count) {
            for (int i = 0; i < count; ++i) {
                image->comps[i].data[row + x] = pixel[ByteOfComponent[i]];
            }
        }
    }

    opj_cparameters_t encoding;
    opj_set_default_encoder_parameters(&encoding);
    encoding.cp_disto_alloc = 1;
    encoding.tcp_numlayers = 1;
    encoding.tcp_rates[0] = Lossless ? 0.0f : Jpeg2000Rate(width, height, count, Quality);
    encoding.numresolution = ResolutionLevels(width, height);
    encoding.cod_format = 1;  // JP2

    TWriteTarget target;
    const TCodec codec(opj_create_compress(OPJ_CODEC_JP2));
    const TStream output(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
    if (!codec || !output) {
        Fail(EncodingFailedMessage);
    }
    opj_stream_set_user_data(output.get(), &target, nullptr);
    opj_stream_set_write_function(output.get(), WriteToTarget);
    opj_stream_set_skip_function(output.get(), SkipInTarget);
    opj_stream_set_seek_function(output.get(), SeekInTarget);
    if (!opj_setup_encoder(codec.get(), &encoding, image.get()) ||
        !opj_start_compress(codec.get(), image.get(), output.get()) ||
        !opj_encode(codec.get(), output.get()) || !opj_end_compress(codec.get(), output.get())) {
        Fail(EncodingFailedMessage);
    }
    if (stream.write(target.Bytes) != target.Bytes.size()) {
        throw EFileError(QStringLiteral("Cannot write the JPEG 2000 file"));
    }
}

void TJpeg2000Bitmap::SaveToFile(const QString& path) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    SaveToStream(buffer);
    // Into a temporary file first, then renamed: a failed save never leaves a half-written picture.
    WriteFileAtomically(path, bytes);
}
