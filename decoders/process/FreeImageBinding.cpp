#include "FreeImageBinding.h"

#include <dlfcn.h>

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>

#include <memory>

#include "BoxReduce.h"
#include "FitThumbnail.h"
#include "PictureMemory.h"

namespace {

struct FIBITMAP;

// The start of the BITMAPINFOHEADER that FreeImage_GetInfoHeader returns.
struct TInfoHeader {
    quint32 Size;
    qint32 Width;
    qint32 Height;
};

constexpr int AccurateJpegFlag = 2;
// Reads the header only, where the format's reader can: the picture then has a size but no pixels.
constexpr int LoadNoPixelsFlag = 0x8000;

using TMessageHandler = void (*)(int format, const char* message);

// The library's diagnostic messages are not collected.
void IgnoreMessage(int, const char*) {}

}  // namespace

// FreeImage's FIICCPROFILE: the colour profile a file embeds, when its reader keeps it.
struct TIccProfile {
    quint16 Flags;  // FIICC_COLOR_IS_CMYK (1): the profile is of the stored ink values
    quint32 Size;
    void* Data;
};
constexpr quint16 IccOfInks = 0x01;
// Longer than any profile a picture embeds: a damaged size.
constexpr quint32 MaxIccBytes = 64u << 20;

// The library exports plain names on Linux. Its wide-character "U" functions do nothing here, so the
// narrow ones are bound and given UTF-8 paths. FreeImage_ConvertTo32Bits is bound as well: it turns any
// bit depth and palette into the 32-bit picture the program works with.
struct TGenericDecoder::TEntryPoints {
    int (*GetFileType)(const char*, int) = nullptr;
    int (*GetFIFFromFilename)(const char*) = nullptr;
    FIBITMAP* (*Load)(int, const char*, int) = nullptr;
    const TInfoHeader* (*GetInfoHeader)(FIBITMAP*) = nullptr;
    void* (*GetInfo)(FIBITMAP*) = nullptr;
    unsigned (*GetBPP)(FIBITMAP*) = nullptr;
    unsigned (*GetPitch)(FIBITMAP*) = nullptr;
    uchar* (*GetBits)(FIBITMAP*) = nullptr;
    void (*Unload)(FIBITMAP*) = nullptr;
    void (*Initialise)(int) = nullptr;
    void (*DeInitialise)() = nullptr;
    int (*Save)(int, FIBITMAP*, const char*, int) = nullptr;
    FIBITMAP* (*Allocate)(int, int, int, unsigned, unsigned, unsigned) = nullptr;
    unsigned (*GetColorsUsed)(FIBITMAP*) = nullptr;
    unsigned (*GetHeight)(FIBITMAP*) = nullptr;
    FIBITMAP* (*ConvertTo32Bits)(FIBITMAP*) = nullptr;
    // Not every build of the library has these; without them every file is decoded whole at once, and
    // shown in the colours it has as stored.
    int (*HasPixels)(FIBITMAP*) = nullptr;
    void (*SetOutputMessage)(TMessageHandler) = nullptr;
    const TIccProfile* (*GetICCProfile)(FIBITMAP*) = nullptr;

    // Binds every entry point; false when one is missing.
    bool Bind(void* library) {
        bool all = true;
        const auto bind = [&](auto& entry, const char* name) {
            entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(library, name));
            all = all && entry != nullptr;
        };
        bind(GetFileType, "FreeImage_GetFileType");
        bind(GetFIFFromFilename, "FreeImage_GetFIFFromFilename");
        bind(Load, "FreeImage_Load");
        bind(GetInfoHeader, "FreeImage_GetInfoHeader");
        bind(GetInfo, "FreeImage_GetInfo");
        bind(GetBPP, "FreeImage_GetBPP");
        bind(GetPitch, "FreeImage_GetPitch");
        bind(GetBits, "FreeImage_GetBits");
        bind(Unload, "FreeImage_Unload");
        bind(Initialise, "FreeImage_Initialise");
        bind(DeInitialise, "FreeImage_DeInitialise");
        bind(Save, "FreeImage_Save");
        bind(Allocate, "FreeImage_Allocate");
        bind(GetColorsUsed, "FreeImage_GetColorsUsed");
        bind(GetHeight, "FreeImage_GetHeight");
        bind(ConvertTo32Bits, "FreeImage_ConvertTo32Bits");
        const bool required = all;
        bind(HasPixels, "FreeImage_HasPixels");
        bind(SetOutputMessage, "FreeImage_SetOutputMessage");
        bind(GetICCProfile, "FreeImage_GetICCProfile");
        return required;
    }
};

TGenericDecoder::TGenericDecoder(const char* libraryFile) {
    // The library initialises itself when loaded; it stays loaded for the life of the process.
    void* library = dlopen(libraryFile, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return;
    }
    auto entries = std::make_unique<TEntryPoints>();
    Bound = entries->Bind(library);
    if (entries->SetOutputMessage != nullptr) {
        entries->SetOutputMessage(&IgnoreMessage);
    }
    Entries = std::move(entries);
}

// The library itself stays loaded: FreeImage is not made to be unloaded.
TGenericDecoder::~TGenericDecoder() = default;

int TGenericDecoder::FileType(const QString& path) const {
    if (!Bound) {
        return GenericUnknown;
    }
    const QString extension = QFileInfo(path).suffix().toUpper();
    if (extension == QLatin1String("ANI") || extension == QLatin1String("ICO")) {
        return GenericUnknown;
    }
    const QByteArray name = QFile::encodeName(path);
    int format = Entries->GetFileType(name.constData(), 16);
    if (format == GenericUnknown) {
        format = Entries->GetFIFFromFilename(name.constData());
    }
    if (format == GenericUnknown) {
        if (extension == QLatin1String("TGA") || extension == QLatin1String("TARGA")) {
            format = GenericTarga;
        } else if (extension == QLatin1String("MNG")) {
            format = GenericMng;
        } else if (extension == QLatin1String("PCD")) {
            format = GenericPhotoCd;
        } else if (extension == QLatin1String("WBMP")) {
            format = GenericWbmp;
        } else if (extension == QLatin1String("CUT")) {
            format = GenericDrHaloCut;
        }
    }
    return format;
}

template <class Take>
bool TGenericDecoder::Decode(const QString& path, const Take& take) const {
    const int format = FileType(path);
    if (format == GenericUnknown) {
        return false;
    }
    const auto unload = [this](FIBITMAP* bitmap) { Entries->Unload(bitmap); };
    using TBitmap = std::unique_ptr<FIBITMAP, decltype(unload)>;
    try {
        const QByteArray name = QFile::encodeName(path);
        const int flags = format == GenericJpeg ? AccurateJpegFlag : 0;
        // First the header alone, where the format's reader can, so that a few damaged bytes declaring
        // gigapixels never get their pixels allocated. A reader that cannot stop at the header decodes
        // the whole picture here, and that picture is used.
        TBitmap decoded(nullptr, unload);
        if (Entries->HasPixels != nullptr) {
            decoded.reset(Entries->Load(format, name.constData(), flags | LoadNoPixelsFlag));
            if (decoded && !Entries->HasPixels(decoded.get())) {
                const TInfoHeader* header = Entries->GetInfoHeader(decoded.get());
                if (header == nullptr || PictureTooLarge(header->Width, Entries->GetHeight(decoded.get()))) {
                    return false;
                }
                decoded.reset();
            }
        }
        if (!decoded) {
            decoded.reset(Entries->Load(format, name.constData(), flags));
        }
        if (!decoded) {
            return false;
        }
        const TInfoHeader* header = Entries->GetInfoHeader(decoded.get());
        const qint64 width = header != nullptr ? header->Width : 0;
        const qint64 height = Entries->GetHeight(decoded.get());
        if (width <= 0 || height <= 0 || PictureTooLarge(width, height)) {
            return false;
        }
        // Blue, green, red, as the library holds a 24-bit picture, are taken as they are; any other bit
        // depth and palette is made 32 bits a pixel first (floating point pictures give nothing).
        // The colours the file names, for an RGB picture (the library makes no RGB of inks through one).
        QColorSpace colours;
        if (const TIccProfile* profile =
                Entries->GetICCProfile != nullptr ? Entries->GetICCProfile(decoded.get()) : nullptr;
            profile != nullptr && profile->Data != nullptr && profile->Size > 0 &&
            profile->Size < MaxIccBytes && (profile->Flags & IccOfInks) == 0) {
            colours = QColorSpace::fromIccProfile(
                QByteArray(static_cast<const char*>(profile->Data), qsizetype(profile->Size)));
        }
        TBitmap converted(nullptr, unload);
        FIBITMAP* pixels = decoded.get();
        if (Entries->GetBPP(pixels) != 24) {
            converted.reset(Entries->ConvertTo32Bits(pixels));
            decoded.reset();  // its memory goes before the picture's is taken
            pixels = converted.get();
        }
        const uchar* bits = pixels != nullptr ? Entries->GetBits(pixels) : nullptr;
        if (bits == nullptr) {
            return false;
        }
        // The library's rows run bottom up; its alpha is dropped: the picture is opaque.
        const qsizetype pitch = Entries->GetPitch(pixels);
        return take(TPixelRows{bits + (height - 1) * pitch, -pitch, int(width), int(height),
                               int(Entries->GetBPP(pixels) / 8)},
                    colours);
    } catch (...) {
        return false;
    }
}

bool TGenericDecoder::Load(const QString& path, QImage& picture) const {
    return Decode(path, [&](const TPixelRows& rows, const QColorSpace& colours) {
        QImage result = BoxReduce(rows, 1, 1);
        if (result.isNull()) {
            return false;
        }
        result.setColorSpace(colours);
        picture = result;
        return true;
    });
}

bool TGenericDecoder::LoadReduced(const QString& path, QSize box, QImage& reduced, QSize& size) const {
    return Decode(path, [&](const TPixelRows& rows, const QColorSpace& colours) {
        const QSize original(rows.Width, rows.Height);
        const QSize factors = ThumbnailReduction(original, box.width(), box.height());
        QImage result = BoxReduce(rows, factors.width(), factors.height());
        if (result.isNull()) {
            return false;
        }
        result.setColorSpace(colours);
        reduced = result;
        size = original;
        return true;
    });
}
