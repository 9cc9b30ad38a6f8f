// A hand-over message comes from whatever process reached the socket: any bytes must decode without
// fault, and what decodes must be requests of a known kind for absolute paths that encode back to the
// same message.
#include <QByteArray>
#include <QDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "HandOverMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray payload(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<TOpenRequests> requests = DecodeHandOver(payload);
    if (!requests) {
        return 0;
    }
    for (const TOpenRequest& request : *requests) {
        if (request.Path.isEmpty() || !QDir::isAbsolutePath(request.Path) ||
            (request.Kind != TOpenKind::Picture && request.Kind != TOpenKind::Folder &&
             request.Kind != TOpenKind::ImageListFile)) {
            std::abort();
        }
    }
    const QByteArray again = EncodeHandOver(*requests).mid(HandOverHeaderSize);
    if (DecodeHandOver(again) != requests) {
        std::abort();
    }
    return 0;
}
