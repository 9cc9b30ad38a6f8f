// A stand-in for orvalis-decoder that misbehaves on command, so that the pool's tests can crash, hang or
// starve a decoder process at will. It serves the real request protocol. A file named with "crash" kills
// it with a segmentation fault, "hang" keeps it waiting for ever, "exhaust" makes it allocate until its
// address space runs out, "slow" delays the answer; any other file is read with Qt's readers. Built a
// second time as fake-decoder-without-library, which reports its library missing.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QImage>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "DecoderServer.h"

namespace {

class TFakeBackend final : public TDecoderBackend {
public:
    bool Loaded() const override {
#ifdef FAKE_DECODER_WITHOUT_LIBRARY
        return false;
#else
        return true;
#endif
    }

    int FileType(const QString& path) const override {
        return QFileInfo(path).suffix() == "png" ? 13 : -1;
    }

    bool Load(const QString& path, QImage& picture) const override {
        const QString name = QFileInfo(path).fileName();
        if (name.contains(QLatin1String("crash"))) {
            ::raise(SIGSEGV);
        }
        if (name.contains(QLatin1String("hang"))) {
            for (;;) {
                ::pause();
            }
        }
        if (name.contains(QLatin1String("exhaust"))) {
            // Reserved, never touched: the address-space limit ends this long before memory does.
            std::vector<std::unique_ptr<char[]>> blocks;
            for (int i = 0; i < 64; ++i) {
                blocks.emplace_back(new char[std::size_t(256) << 20]);
            }
            return false;
        }
        if (name.contains(QLatin1String("slow"))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        const QImage read = QImage(path).convertToFormat(QImage::Format_RGB32);
        if (read.isNull()) {
            return false;
        }
        picture = read;
        return true;
    }
};

}  // namespace

int main() {
    struct stat status {};
    if (::fstat(3, &status) != 0 || !S_ISSOCK(status.st_mode)) {
        return 2;
    }
    LimitDecoderProcess();
    const TFakeBackend backend;
    return RunDecoderServer(3, backend);
}
