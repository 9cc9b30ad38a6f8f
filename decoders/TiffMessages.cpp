#include "TiffMessages.h"

#include <QLoggingCategory>

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>

namespace {

Q_LOGGING_CATEGORY(TiffLog, "orvalis.decoders.tiff", QtWarningMsg)

void LogTiffMessage(const char* module, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    qCDebug(TiffLog, "%s: %s", module != nullptr ? module : "libtiff", text);
}

}  // namespace

void RouteTiffMessagesToDebugLog() {
    static const bool routed = [] {
        TIFFSetWarningHandler(LogTiffMessage);
        TIFFSetErrorHandler(LogTiffMessage);
        return true;
    }();
    Q_UNUSED(routed);
}
