#pragma once

#include <ostream>

#include "OpenRequest.h"

// Readable failure messages for requests.
inline void PrintTo(const TOpenRequest& request, std::ostream* out) {
    const char* kinds[] = {"?", "Picture", "Folder", "ImageListFile"};
    const auto kind = static_cast<unsigned>(request.Kind);
    *out << (kind < 4 ? kinds[kind] : "?") << " " << request.Path.toStdString();
}
