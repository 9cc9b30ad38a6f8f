// A folder's thumbnail database is opened and looked up by name and size. Any file must open without
// fault, every lookup must give an entry of its catalogue or none, a thumbnail asked for twice must
// come back the same, and what the lookups inflate must stay within the database's budget.
#include "ThumbDatabase.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// One picture of 10 bytes that catalogues in the seeds name, so that lookups reach the frames.
struct TFolder {
    TFolder() {
        QFile picture(Dir.filePath(QStringLiteral("pic.jpg")));
        picture.open(QIODevice::WriteOnly);
        picture.write("0123456789");
    }
    QTemporaryDir Dir;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TFolder folder;
    const QString path = folder.Dir.filePath(QStringLiteral("Thumbs Brackwell.db"));
    {
        QFile file(path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    }
    TThumbDatabase database;
    Check(database.Open(path));
    const qint64 entries = (database.Catalogue().size() + 3) / 4;

    QStringList names{QStringLiteral("pic.jpg")};
    for (const QString& line : database.Catalogue().mid(0, 32)) {
        names.append(folder.Dir.path() + QLatin1Char('/') + line);
    }
    for (const QString& name : names) {
        const qint64 entry = database.FindEntry(name);
        Check(entry >= 0 && entry <= entries);
    }
    QByteArray stream;
    QByteArray frameID;
    const QString picture = folder.Dir.filePath(QStringLiteral("pic.jpg"));
    if (database.GetThumbnail(picture, stream, frameID)) {
        Check(frameID.size() == 4);
        QByteArray again;
        Check(database.GetThumbnail(picture, again, frameID) && again == stream);
    } else {
        Check(stream.isEmpty());
    }
    Check(database.InflatedBytes() <= TThumbDatabase::InflationBudget);
    return 0;
}
