#include "FreeImageLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "GenericDecoderPool.h"

namespace {

std::mutex PoolMaking;
std::unique_ptr<TGenericDecoderPool> PoolOwner;  // lives to the end of the process
std::atomic<TGenericDecoderPool*> Pool{nullptr};

// Each thumbnail worker (at most two for each logical processor) and the show on the GUI thread may
// decode at the same time.
int PoolCapacity() {
    return 2 * std::max(1, int(std::thread::hardware_concurrency())) + 1;
}

}  // namespace

QString GenericDecoderExecutable() {
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {programFolder.filePath(QStringLiteral("orvalis-decoder")),
          programFolder.filePath(QStringLiteral("../lib/orvalis/orvalis-decoder"))}) {
        const QFileInfo file(candidate);
        if (file.isFile() && file.isExecutable()) {
            return file.absoluteFilePath();
        }
    }
    return {};
}

bool InitGenericDecoder() {
    TGenericDecoderPool* pool = nullptr;
    {
        const std::lock_guard lock(PoolMaking);
        if (!PoolOwner) {
            PoolOwner = std::make_unique<TGenericDecoderPool>(TGenericDecoderPoolOptions{
                GenericDecoderExecutable(), PoolCapacity(), GenericDecoderDeadline});
            Pool.store(PoolOwner.get(), std::memory_order_release);
        }
        pool = PoolOwner.get();
    }
    return pool->Available();
}

bool GenericDecoderLoaded() {
    TGenericDecoderPool* pool = Pool.load(std::memory_order_acquire);
    return pool != nullptr && pool->Available();
}

int GenericFileType(const QString& path) {
    TGenericDecoderPool* pool = Pool.load(std::memory_order_acquire);
    return pool != nullptr ? pool->FileType(path) : -1;
}

bool LoadWithGenericDecoder(const QString& path, QImage& picture) {
    TGenericDecoderPool* pool = Pool.load(std::memory_order_acquire);
    return pool != nullptr && pool->LoadPicture(path, picture);
}

bool LoadWithGenericDecoder(const QString& path, QImage& picture, TGenericDecode& call) {
    TGenericDecoderPool* pool = Pool.load(std::memory_order_acquire);
    return pool != nullptr && pool->LoadPicture(path, picture, &call);
}

bool GenericDecoderGaveUpOn(const QString& path) {
    TGenericDecoderPool* pool = Pool.load(std::memory_order_acquire);
    return pool != nullptr && pool->GaveUpOn(path);
}

bool LoadThumbnailWithGenericDecoder(const QString& path, QSize box, const QColor& background,
                                     QImage& thumbnail) {
    TGenericDecoderPool* pool = Pool.load(std::memory_order_acquire);
    return pool != nullptr && pool->LoadThumbnail(path, box, background, thumbnail);
}

void AbortGenericDecodes() {
    if (TGenericDecoderPool* pool = Pool.load(std::memory_order_acquire)) {
        pool->AbortBusy();
    }
}

void ShutdownGenericDecoders() {
    if (TGenericDecoderPool* pool = Pool.load(std::memory_order_acquire)) {
        pool->Shutdown();
    }
}
