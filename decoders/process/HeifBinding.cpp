#include "HeifBinding.h"

#include <dlfcn.h>

#include <QColorSpace>
#include <QFile>

#include <libheif/heif.h>

#include "OnBlack.h"
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

// Longer than any profile a picture embeds: a damaged size.
constexpr size_t MaxProfileBytes = 64u << 20;

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
    // The picture's colours: an ICC profile, or the primaries and transfer of video.
    decltype(&heif_image_handle_get_color_profile_type) ProfileType = nullptr;
    decltype(&heif_image_handle_get_raw_color_profile_size) RawProfileSize = nullptr;
    decltype(&heif_image_handle_get_raw_color_profile) RawProfile = nullptr;
    decltype(&heif_image_handle_get_nclx_color_profile) NclxProfile = nullptr;
    decltype(&heif_nclx_color_profile_free) NclxFree = nullptr;
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
    bind(entries->ProfileType, "heif_image_handle_get_color_profile_type");
    bind(entries->RawProfileSize, "heif_image_handle_get_raw_color_profile_size");
    bind(entries->RawProfile, "heif_image_handle_get_raw_color_profile");
    bind(entries->NclxProfile, "heif_image_handle_get_nclx_color_profile");
    bind(entries->NclxFree, "heif_nclx_color_profile_free");
    if (all) {
        Entries = std::move(entries);
    }
    // Never unloaded: the library may have started threads of its own.
}

THeifDecoder::~THeifDecoder() = default;

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
        LayOnBlack(pixels + qsizetype(y) * stride, reinterpret_cast<QRgb*>(result.scanLine(y)),
                   std::size_t(width));
    }
    result.setColorSpace(Colours(handle.get()));
    picture = result;
    return true;
}

QColorSpace THeifDecoder::Colours(const heif_image_handle* handle) const {
    const TEntryPoints& heif = *Entries;
    const heif_color_profile_type type = heif.ProfileType(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const size_t size = heif.RawProfileSize(handle);
        if (size == 0 || size > MaxProfileBytes) {
            return {};
        }
        QByteArray profile(qsizetype(size), Qt::Uninitialized);
        return heif.RawProfile(handle, profile.data()).code == heif_error_Ok
                   ? QColorSpace::fromIccProfile(profile)
                   : QColorSpace();
    }
    if (type != heif_color_profile_type_nclx) {
        return {};
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif.NclxProfile(handle, &nclx).code != heif_error_Ok || nclx == nullptr) {
        return {};
    }
    const std::unique_ptr<heif_color_profile_nclx, decltype(heif.NclxFree)> owner(nclx, heif.NclxFree);
    // Wide-gamut primaries with the sRGB curve (or video's, which photographs are shown as sRGB's) are
    // what phones write; anything else (HDR's curves among them) is shown as sRGB.
    const bool srgbCurve = nclx->transfer_characteristics == heif_transfer_characteristic_IEC_61966_2_1 ||
                           nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_709_5 ||
                           nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_601_6;
    if (!srgbCurve) {
        return {};
    }
    switch (nclx->color_primaries) {
        case heif_color_primaries_SMPTE_EG_432_1:
            return QColorSpace(QColorSpace::DisplayP3);
        case heif_color_primaries_ITU_R_BT_2020_2_and_2100_0:
            // ITU-R BT.2020's primaries, D65 white.
            return QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292), QPointF(0.170, 0.797),
                               QPointF(0.131, 0.046), QColorSpace::TransferFunction::SRgb);
        default:
            return {};
    }
}
