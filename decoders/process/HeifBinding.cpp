#include "HeifBinding.h"

#include <dlfcn.h>

#include <QFile>

#include <libheif/heif.h>

#include "PictureMemory.h"

namespace {

quint32 BigEndian32(QByteArrayView bytes, qsizetype at) {
    return quint32(uchar(bytes[at])) << 24 | quint32(uchar(bytes[at + 1])) << 16 |
           quint32(uchar(bytes[at + 2])) << 8 | quint32(uchar(bytes[at + 3]));
}

bool IsHeifBrand(QByteArrayView brand) {
    for (const char* known :
         {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"}) {
        if (brand == QByteArrayView(known, 4)) {
            return true;
        }
    }
    return false;
}

// Bytes of a file's head looked at: an ftyp box with a few dozen compatible brands fits.
constexpr qsizetype HeadBytes = 256;

}  // namespace

bool IsHeifHead(QByteArrayView head) {
    if (head.size() < 16 || head.sliced(4, 4) != QByteArrayView("ftyp")) {
        return false;
    }
    // The box: size, "ftyp", major brand, minor version, then compatible brands to the box's end.
    const qsizetype size = std::min<qsizetype>(BigEndian32(head, 0), head.size());
    if (IsHeifBrand(head.sliced(8, 4))) {
        return true;
    }
    for (qsizetype at = 16; at + 4 <= size; at += 4) {
        if (IsHeifBrand(head.sliced(at, 4))) {
            return true;
        }
    }
    return false;
}

struct THeifDecoder::TEntryPoints {
    decltype(&heif_context_alloc) ContextAlloc = nullptr;
    decltype(&heif_context_free) ContextFree = nullptr;
    decltype(&heif_context_read_from_file) ReadFromFile = nullptr;
    decltype(&heif_context_get_primary_image_handle) PrimaryImage = nullptr;
    decltype(&heif_image_handle_get_width) HandleWidth = nullptr;
    decltype(&heif_image_handle_get_height) HandleHeight = nullptr;
    decltype(&heif_image_handle_release) HandleRelease = nullptr;
    decltype(&heif_decode_image) Decode = nullptr;
    decltype(&heif_image_get_width) ImageWidth = nullptr;
    decltype(&heif_image_get_height) ImageHeight = nullptr;
    decltype(&heif_image_get_plane_readonly) Plane = nullptr;
    decltype(&heif_image_release) ImageRelease = nullptr;
};

THeifDecoder::THeifDecoder(const char* libraryFile) {
    void* library = ::dlopen(libraryFile, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return;
    }
    auto entries = std::make_unique<TEntryPoints>();
    bool all = true;
    const auto bind = [&](auto& entry, const char* name) {
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(::dlsym(library, name));
        all = all && entry != nullptr;
    };
    bind(entries->ContextAlloc, "heif_context_alloc");
    bind(entries->ContextFree, "heif_context_free");
    bind(entries->ReadFromFile, "heif_context_read_from_file");
    bind(entries->PrimaryImage, "heif_context_get_primary_image_handle");
    bind(entries->HandleWidth, "heif_image_handle_get_width");
    bind(entries->HandleHeight, "heif_image_handle_get_height");
    bind(entries->HandleRelease, "heif_image_handle_release");
    bind(entries->Decode, "heif_decode_image");
    bind(entries->ImageWidth, "heif_image_get_width");
    bind(entries->ImageHeight, "heif_image_get_height");
    bind(entries->Plane, "heif_image_get_plane_readonly");
    bind(entries->ImageRelease, "heif_image_release");
    if (all) {
        Entries = std::move(entries);
    }
    // Never unloaded: the library may have started threads of its own.
}

THeifDecoder::~THeifDecoder() = default;

bool THeifDecoder::IsHeifFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && IsHeifHead(file.read(HeadBytes));
}

bool THeifDecoder::Load(const QString& path, QImage& picture) const {
    if (!Loaded()) {
        return false;
    }
    const TEntryPoints& heif = *Entries;
    const std::unique_ptr<heif_context, decltype(heif.ContextFree)> context(heif.ContextAlloc(),
                                                                            heif.ContextFree);
    if (!context || heif.ReadFromFile(context.get(), QFile::encodeName(path).constData(), nullptr).code !=
                        heif_error_Ok) {
        return false;
    }
    heif_image_handle* primary = nullptr;
    if (heif.PrimaryImage(context.get(), &primary).code != heif_error_Ok || primary == nullptr) {
        return false;
    }
    const std::unique_ptr<heif_image_handle, decltype(heif.HandleRelease)> handle(primary,
                                                                                  heif.HandleRelease);
    // The size after the file's own turn: what the decode gives.
    if (PictureTooLarge(heif.HandleWidth(handle.get()), heif.HandleHeight(handle.get()))) {
        return false;
    }
    heif_image* decoded = nullptr;
    // Default decoding options: the file's rotation and mirror are applied, and pictures of more than 8
    // bits a channel come down to 8 in the library's conversion to interleaved RGBA.
    if (heif.Decode(handle.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr)
                .code != heif_error_Ok ||
        decoded == nullptr) {
        return false;
    }
    const std::unique_ptr<heif_image, decltype(heif.ImageRelease)> image(decoded, heif.ImageRelease);
    const int width = heif.ImageWidth(image.get(), heif_channel_interleaved);
    const int height = heif.ImageHeight(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* pixels = heif.Plane(image.get(), heif_channel_interleaved, &stride);
    if (pixels == nullptr || width <= 0 || height <= 0 || PictureTooLarge(width, height) ||
        stride < width * 4) {
        return false;
    }
    QImage result(width, height, QImage::Format_RGB32);
    if (result.isNull()) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = pixels + qsizetype(y) * stride;
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x, in += 4) {
            const int alpha = in[3];
            // On black: each channel weighed by its opacity, rounded.
            out[x] =
                qRgb((in[0] * alpha + 127) / 255, (in[1] * alpha + 127) / 255, (in[2] * alpha + 127) / 255);
        }
    }
    picture = result;
    return true;
}
