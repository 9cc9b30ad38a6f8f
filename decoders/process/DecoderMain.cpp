// orvalis-decoder: decodes pictures with the FreeImage library, libheif and libjxl for Orvalis, in a process
// of its own so that a file that crashes or hangs a library costs the program nothing but that file's
// picture.
// Orvalis starts it with its end of a local socket as descriptor 3; it is not meant to be run by hand.

#include <sys/socket.h>
#include <sys/stat.h>

#include <cstdio>

#include "DecoderServer.h"

namespace {

constexpr int ProgramSocket = 3;

}  // namespace

int main() {
    struct stat status {};
    if (::fstat(ProgramSocket, &status) != 0 || !S_ISSOCK(status.st_mode)) {
        std::fputs("orvalis-decoder: decodes pictures for Orvalis, which starts it; not for use by hand.\n",
                   stderr);
        return 2;
    }
    LimitDecoderProcess();
    KeepDecoderMemory();
    const TPicturesBackend backend;
    return RunDecoderServer(ProgramSocket, backend);
}
