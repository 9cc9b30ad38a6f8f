#include "JxlBinding.h"

#include <dlfcn.h>

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include <optional>

#include "OnBlack.h"
#include "PictureMemory.h"

namespace {

constexpr char BareCodestream[] = {'\xFF', '\x0A'};
constexpr char ContainerSignature[] = {'\x00', '\x00', '\x00', '\x0C', 'J',    'X',
                                       'L',    ' ',    '\x0D', '\x0A', '\x87', '\x0A'};

// Longer than any profile a picture embeds: a damaged size.
constexpr std::size_t MaxProfileBytes = std::size_t(64) << 20;

// The whole regular file at `path`, up to the size it had when opened; nothing for anything else (a
// FIFO, a device, a file of the system's that says it is empty), an empty or a too large file.
std::optional<QByteArray> WholeFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const qint64 size = file.size();
    if (size <= 0 || size > MaxJxlFileBytes) {
        return std::nullopt;
    }
    QByteArray bytes = file.read(size);
    if (bytes.size() != size) {
        return std::nullopt;
    }
    return bytes;
}

bool IsSrgb(const JxlColorEncoding& encoding) {
    return (encoding.color_space == JXL_COLOR_SPACE_RGB || encoding.color_space == JXL_COLOR_SPACE_GRAY) &&
           encoding.white_point == JXL_WHITE_POINT_D65 &&
           (encoding.color_space == JXL_COLOR_SPACE_GRAY || encoding.primaries == JXL_PRIMARIES_SRGB) &&
           encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// sRGB, or the grey of sRGB for a grey picture: what a picture coded in the format's own colour space is
// decoded into.
JxlColorEncoding Srgb(bool grey) {
    JxlColorEncoding encoding{};
    encoding.color_space = grey ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
    encoding.white_point = JXL_WHITE_POINT_D65;
    encoding.primaries = JXL_PRIMARIES_SRGB;
    encoding.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    encoding.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
    return encoding;
}

// Where the library's rows of 8-bit RGBA go: the picture's pixels, laid on black.
struct TOutput {
    uchar* Bits = nullptr;
    qsizetype BytesPerLine = 0;
    std::size_t Width = 0;
    std::size_t Height = 0;
};

// Called by the library for a part of a row, from its worker threads at once for different pixels.
void WriteOnBlack(void* opaque, std::size_t x, std::size_t y, std::size_t count, const void* pixels) {
    const auto& output = *static_cast<const TOutput*>(opaque);
    if (y >= output.Height || x >= output.Width || count > output.Width - x) {
        return;
    }
    LayOnBlack(static_cast<const uint8_t*>(pixels),
               reinterpret_cast<QRgb*>(output.Bits + qsizetype(y) * output.BytesPerLine) + x, count);
}

}  // namespace

bool IsJxlHead(QByteArrayView head) {
    return head.startsWith(QByteArrayView(BareCodestream, sizeof BareCodestream)) ||
           head.startsWith(QByteArrayView(ContainerSignature, sizeof ContainerSignature));
}

struct TJxlDecoder::TEntryPoints {
    decltype(&JxlDecoderCreate) Create = nullptr;
    decltype(&JxlDecoderDestroy) Destroy = nullptr;
    decltype(&JxlDecoderSubscribeEvents) SubscribeEvents = nullptr;
    decltype(&JxlDecoderSetParallelRunner) SetParallelRunner = nullptr;
    decltype(&JxlDecoderSetKeepOrientation) SetKeepOrientation = nullptr;
    decltype(&JxlDecoderSetUnpremultiplyAlpha) SetUnpremultiplyAlpha = nullptr;
    decltype(&JxlDecoderSetInput) SetInput = nullptr;
    decltype(&JxlDecoderCloseInput) CloseInput = nullptr;
    decltype(&JxlDecoderProcessInput) ProcessInput = nullptr;
    decltype(&JxlDecoderGetBasicInfo) GetBasicInfo = nullptr;
    decltype(&JxlDecoderSetPreferredColorProfile) SetPreferredColorProfile = nullptr;
    decltype(&JxlDecoderGetColorAsEncodedProfile) GetColorAsEncodedProfile = nullptr;
    decltype(&JxlDecoderGetICCProfileSize) GetIccProfileSize = nullptr;
    decltype(&JxlDecoderGetColorAsICCProfile) GetColorAsIccProfile = nullptr;
    decltype(&JxlDecoderSetImageOutCallback) SetImageOutCallback = nullptr;
};

struct TJxlDecoder::TThreadEntryPoints {
    decltype(&JxlThreadParallelRunner) Runner = nullptr;
    decltype(&JxlThreadParallelRunnerCreate) Create = nullptr;
    decltype(&JxlThreadParallelRunnerDestroy) Destroy = nullptr;
    decltype(&JxlThreadParallelRunnerDefaultNumWorkerThreads) DefaultWorkers = nullptr;
};

namespace {

// Binds `entry` to `name` in `library`; a null entry, and `all` false, when the library lacks it.
template <class Entry>
void Bind(void* library, Entry& entry, const char* name, bool& all) {
    entry = reinterpret_cast<Entry>(::dlsym(library, name));
    all = all && entry != nullptr;
}

// The colour space of the decoded pixels: none for sRGB (as the program takes every picture without
// one), else the profile the library gives for them, when Qt can use it.
QColorSpace ColourSpaceOfPixels(const auto& jxl, const JxlDecoder* decoder) {
    JxlColorEncoding encoding{};
    if (jxl.GetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) ==
            JXL_DEC_SUCCESS &&
        IsSrgb(encoding)) {
        return {};
    }
    std::size_t size = 0;
    if (jxl.GetIccProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) != JXL_DEC_SUCCESS ||
        size == 0 || size > MaxProfileBytes) {
        return {};
    }
    QByteArray icc(qsizetype(size), Qt::Uninitialized);
    if (jxl.GetColorAsIccProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                 reinterpret_cast<uint8_t*>(icc.data()), size) != JXL_DEC_SUCCESS) {
        return {};
    }
    const QColorSpace space = QColorSpace::fromIccProfile(icc);
    return space.isValid() && space != QColorSpace(QColorSpace::SRgb) ? space : QColorSpace();
}

}  // namespace

TJxlDecoder::TJxlDecoder(const char* libraryFile, const char* threadsFile) {
    void* library = ::dlopen(libraryFile, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return;
    }
    auto entries = std::make_unique<TEntryPoints>();
    bool all = true;
    Bind(library, entries->Create, "JxlDecoderCreate", all);
    Bind(library, entries->Destroy, "JxlDecoderDestroy", all);
    Bind(library, entries->SubscribeEvents, "JxlDecoderSubscribeEvents", all);
    Bind(library, entries->SetParallelRunner, "JxlDecoderSetParallelRunner", all);
    Bind(library, entries->SetKeepOrientation, "JxlDecoderSetKeepOrientation", all);
    Bind(library, entries->SetUnpremultiplyAlpha, "JxlDecoderSetUnpremultiplyAlpha", all);
    Bind(library, entries->SetInput, "JxlDecoderSetInput", all);
    Bind(library, entries->CloseInput, "JxlDecoderCloseInput", all);
    Bind(library, entries->ProcessInput, "JxlDecoderProcessInput", all);
    Bind(library, entries->GetBasicInfo, "JxlDecoderGetBasicInfo", all);
    Bind(library, entries->SetPreferredColorProfile, "JxlDecoderSetPreferredColorProfile", all);
    Bind(library, entries->GetColorAsEncodedProfile, "JxlDecoderGetColorAsEncodedProfile", all);
    Bind(library, entries->GetIccProfileSize, "JxlDecoderGetICCProfileSize", all);
    Bind(library, entries->GetColorAsIccProfile, "JxlDecoderGetColorAsICCProfile", all);
    Bind(library, entries->SetImageOutCallback, "JxlDecoderSetImageOutCallback", all);
    if (!all) {
        return;
    }
    Entries = std::move(entries);
    // Never unloaded: the libraries start threads of their own.
    void* threadsLibrary = ::dlopen(threadsFile, RTLD_NOW | RTLD_LOCAL);
    if (threadsLibrary == nullptr) {
        return;
    }
    auto threads = std::make_unique<TThreadEntryPoints>();
    Bind(threadsLibrary, threads->Runner, "JxlThreadParallelRunner", all);
    Bind(threadsLibrary, threads->Create, "JxlThreadParallelRunnerCreate", all);
    Bind(threadsLibrary, threads->Destroy, "JxlThreadParallelRunnerDestroy", all);
    Bind(threadsLibrary, threads->DefaultWorkers, "JxlThreadParallelRunnerDefaultNumWorkerThreads", all);
    if (all) {
        Threads = std::move(threads);
    }
}

TJxlDecoder::~TJxlDecoder() = default;

bool TJxlDecoder::Load(const QString& path, QImage& picture) const {
    if (!Loaded()) {
        return false;
    }
    const TEntryPoints& jxl = *Entries;
    const std::optional<QByteArray> bytes = WholeFile(path);
    if (!bytes) {
        return false;
    }
    // The thread pool, when there is one, outlives the decoder that uses it.
    const auto destroyRunner = [this](void* runner) { Threads->Destroy(runner); };
    const std::unique_ptr<void, decltype(destroyRunner)> runner(
        Threads ? Threads->Create(nullptr, Threads->DefaultWorkers()) : nullptr, destroyRunner);
    const std::unique_ptr<JxlDecoder, decltype(jxl.Destroy)> decoder(jxl.Create(nullptr), jxl.Destroy);
    if (!decoder ||
        jxl.SubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                               JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        (runner && jxl.SetParallelRunner(decoder.get(), Threads->Runner, runner.get()) != JXL_DEC_SUCCESS) ||
        // The codestream's orientation is applied by the library (its default, asked for all the same):
        // the basic information then gives the upright size.
        jxl.SetKeepOrientation(decoder.get(), JXL_FALSE) != JXL_DEC_SUCCESS ||
        // Colours with straight alpha, whichever the file holds, to be laid on black here.
        jxl.SetUnpremultiplyAlpha(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
        jxl.SetInput(decoder.get(), reinterpret_cast<const uint8_t*>(bytes->constData()),
                     std::size_t(bytes->size())) != JXL_DEC_SUCCESS) {
        return false;
    }
    jxl.CloseInput(decoder.get());

    std::optional<JxlBasicInfo> info;
    QColorSpace colourSpace;
    QImage result;
    TOutput output;
    for (;;) {
        switch (jxl.ProcessInput(decoder.get())) {
            case JXL_DEC_BASIC_INFO: {
                JxlBasicInfo basic{};
                if (jxl.GetBasicInfo(decoder.get(), &basic) != JXL_DEC_SUCCESS || basic.xsize == 0 ||
                    basic.ysize == 0 || PictureTooLarge(basic.xsize, basic.ysize)) {
                    return false;
                }
                info = basic;
                break;
            }
            case JXL_DEC_COLOR_ENCODING: {
                // A picture in the format's own colour space may be decoded into any: sRGB.
                const JxlColorEncoding srgb = Srgb(info && info->num_color_channels == 1);
                if (!info || (!info->uses_original_profile &&
                              jxl.SetPreferredColorProfile(decoder.get(), &srgb) != JXL_DEC_SUCCESS)) {
                    return false;
                }
                colourSpace = ColourSpaceOfPixels(jxl, decoder.get());
                break;
            }
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
                if (!info || !result.isNull()) {
                    return false;
                }
                result = NewPicture(int(info->xsize), int(info->ysize), QImage::Format_RGB32);
                if (result.isNull()) {
                    return false;
                }
                output = {result.bits(), result.bytesPerLine(), info->xsize, info->ysize};
                // 8-bit RGBA whatever the file's bit depth: the library rounds to it.
                const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
                if (jxl.SetImageOutCallback(decoder.get(), &format, &WriteOnBlack, &output) !=
                    JXL_DEC_SUCCESS) {
                    return false;
                }
                break;
            }
            case JXL_DEC_FULL_IMAGE:
                // The first frame is the picture; an animation's others are not shown.
                if (result.isNull()) {
                    return false;
                }
                if (colourSpace.isValid()) {
                    result.setColorSpace(colourSpace);
                }
                picture = result;
                return true;
            default:
                // An error, the end of the file before the picture (all of it was given), or an event not
                // asked for.
                return false;
        }
    }
}
