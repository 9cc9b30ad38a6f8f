#include "ShowDecode.h"

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <thread>
#include <utility>

#include "FreeImageLoader.h"
#include "GenericDecoderPool.h"

namespace {

// The decode waited for now; used on the GUI thread only.
TGenericDecode* Waiting = nullptr;

}  // namespace

bool DecodeWhileEventsRun(const TEventfulDecode& decode, QImage& picture,
                          std::chrono::milliseconds deadline) {
    TGenericDecode call(deadline);
    QImage decoded;
    std::atomic<bool> decodedOk{false};
    std::atomic<bool> done{false};
    QEventLoop loop;
    std::thread decoding([&] {
        try {
            decodedOk = decode(call, decoded);
        } catch (...) {
            decodedOk = false;
        }
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    TGenericDecode* const outer = std::exchange(Waiting, &call);
    // Returns when the decode is over, or at once when the program is closing.
    if (!done) {
        loop.exec();
    }
    Waiting = outer;
    if (!done) {
        call.Abandon();
    }
    decoding.join();
    if (!decodedOk || call.Abandoned()) {
        return false;
    }
    picture = decoded;
    return true;
}

bool LoadWhileEventsRun(const QString& path, QImage& picture) {
    return DecodeWhileEventsRun(
        [&path](TGenericDecode& call, QImage& decoded) {
            return LoadWithGenericDecoder(path, decoded, call);
        },
        picture);
}

void AbandonShowDecode() {
    if (Waiting != nullptr) {
        Waiting->Abandon();
    }
}
