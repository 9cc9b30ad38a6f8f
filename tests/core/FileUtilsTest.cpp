#include "FileUtils.h"

#include "Exceptions.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "CoreTestFiles.h"

using coretest::ReadFileBytes;
using coretest::WriteFileBytes;

namespace {

class FileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }
    QString PathOf(const QString& name) const { return Folder.filePath(name); }

    QTemporaryDir Folder;
};

// The message of the EFileError that `body` raises; empty when it raises none.
template <class Body>
QString FileErrorOf(Body&& body) {
    try {
        body();
    } catch (const EFileError& error) {
        return error.Message;
    }
    return {};
}

TEST_F(FileUtilsTest, FileExistsOnlyForRegularFiles) {
    ASSERT_TRUE(WriteFileBytes(PathOf("file"), "x"));
    EXPECT_TRUE(FileExists(PathOf("file")));
    EXPECT_FALSE(FileExists(Folder.path()));
    EXPECT_FALSE(FileExists(PathOf("missing")));
    EXPECT_FALSE(FileExists(QString()));
}

TEST_F(FileUtilsTest, FileSizeOfTellsMissingFromSize) {
    ASSERT_TRUE(WriteFileBytes(PathOf("small"), "abc"));
    EXPECT_EQ(FileSizeOf(PathOf("small")), 3);
    EXPECT_EQ(FileSizeOf(PathOf("missing")), -1);
    EXPECT_EQ(FileSizeOf(PathOf("small/below")), -1);
    EXPECT_EQ(FileSizeOf(Folder.path()), -1);

    // A name that leads nowhere readable exists, but has no size.
    ASSERT_TRUE(QFile::link(PathOf("loop"), PathOf("loop")));
    EXPECT_EQ(FileSizeOf(PathOf("loop")), 0);
}

TEST_F(FileUtilsTest, FileSizeOfGivesTheFull64BitSize) {
    QFile file(PathOf("sparse"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(5LL << 30));
    file.close();
    EXPECT_EQ(FileSizeOf(PathOf("sparse")), 5LL * 1024 * 1024 * 1024);
}

TEST_F(FileUtilsTest, CreateEmptyUnicodeFileWritesOnlyTheMarkAndNeverReplaces) {
    const QString path = PathOf("settings.ini");
    EXPECT_TRUE(CreateEmptyUnicodeFile(path));
    EXPECT_EQ(ReadFileBytes(path), QByteArray("\xFF\xFE", 2));

    ASSERT_TRUE(WriteFileBytes(path, "kept"));
    EXPECT_FALSE(CreateEmptyUnicodeFile(path));
    EXPECT_EQ(ReadFileBytes(path), "kept");

    // A FIFO in the file's place is something there too: left alone, and no error at start-up.
    const QString fifo = PathOf("fifo.ini");
    ASSERT_TRUE(coretest::MakeFifo(fifo));
    EXPECT_FALSE(CreateEmptyUnicodeFile(fifo));
    EXPECT_EQ(QFileInfo(fifo).size(), 0);

    const QString inMissingFolder = PathOf("missing/settings.ini");
    EXPECT_TRUE(FileErrorOf([&] { CreateEmptyUnicodeFile(inMissingFolder); }).contains(inMissingFolder));
}

TEST_F(FileUtilsTest, WriteFileAtomicallyReplacesAndLeavesNoTemporaryFile) {
    const QString path = PathOf("list.txt");
    ASSERT_TRUE(WriteFileBytes(path, "old contents that are longer"));
    WriteFileAtomically(path, "new");
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.txt"});
}

TEST_F(FileUtilsTest, WriteFileAtomicallyNamesTheFileItCannotWrite) {
    // The superuser writes into any folder whatever its mode, so there the folder is a regular file.
    const bool superuser = ::geteuid() == 0;
    const QString folder = superuser ? PathOf("regular-file") : PathOf("read-only");
    const QString path = folder + QStringLiteral("/settings.ini");
    if (superuser) {
        ASSERT_TRUE(WriteFileBytes(folder, "not a folder"));
    } else {
        ASSERT_TRUE(QDir().mkdir(folder));
        ASSERT_TRUE(WriteFileBytes(path, "old"));
        ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }

    const QString message = FileErrorOf([&] { WriteFileAtomically(path, "new"); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot write file \"%1\".").arg(path)))
        << message.toStdString();
    if (!superuser) {
        EXPECT_EQ(ReadFileBytes(path), "old");
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

// A write that stops half-way (a full disk; here a file-size limit, which binds the superuser too)
// must leave the old file whole and no temporary file behind.
TEST_F(FileUtilsTest, WriteFileAtomicallyKeepsTheOldFileWhenTheWriteFails) {
    const QString path = PathOf("list.txt");
    ASSERT_TRUE(WriteFileBytes(path, "old"));

    constexpr rlim_t Limit = 1 << 20;
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = Limit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const QString message = FileErrorOf([&] { WriteFileAtomically(path, QByteArray(2 * Limit, 'x')); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(message.contains(path)) << message.toStdString();
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"list.txt"});
}

TEST_F(FileUtilsTest, WriteFileAtomicallyKeepsPermissionsAndLinks) {
    const QString path = PathOf("private.ini");
    ASSERT_TRUE(WriteFileBytes(path, "old"));
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(path, ownerOnly));
    WriteFileAtomically(path, "new");
    // Owner, group and others; Qt adds the current user's flags as well.
    constexpr int OwnerGroupOther = 0x7077;
    EXPECT_EQ(QFile::permissions(path) & OwnerGroupOther, ownerOnly);

    // A link is followed: the file it leads to gets the new contents, the link stays a link.
    const QString link = PathOf("link.ini");
    ASSERT_TRUE(QFile::link(path, link));
    WriteFileAtomically(link, "through the link");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFileBytes(path), "through the link");
}

// What stands at a path instead of a regular file: made by `make` under `path`, false when it cannot be.
struct TNotAFileCase {
    const char* Name;
    bool (*Make)(const QString& path);
};

void PrintTo(const TNotAFileCase& c, std::ostream* os) {
    *os << c.Name;
}

const TNotAFileCase NotAFileCases[] = {
    {"Fifo", coretest::MakeFifo},
    {"Device", coretest::MakeDeviceNode},
    {"Folder", [](const QString& path) { return QDir().mkdir(path); }},
};

class NotAFileTest : public FileUtilsTest, public ::testing::WithParamInterface<TNotAFileCase> {};

// Reading never opens it (a FIFO would block, a device would never end); writing never replaces it.
TEST_P(NotAFileTest, IsNeitherReadNorReplaced) {
    const QString path = PathOf("settings.ini");
    if (!GetParam().Make(path)) {
        GTEST_SKIP() << "cannot make a " << GetParam().Name << " here";
    }
    const QByteArray native = QFile::encodeName(path);
    struct stat before {};
    ASSERT_EQ(::lstat(native.constData(), &before), 0);

    const QString read = FileErrorOf([&] { ReadRegularFile(path, 1 << 20); });
    EXPECT_EQ(read, QStringLiteral("Cannot read file \"%1\". It is not a regular file.").arg(path));
    EXPECT_EQ(FileErrorOf([&] { ReadRegularFile(path, 1 << 20, TReadExtent::StatedSize); }), read);
    EXPECT_EQ(FileErrorOf([&] { ReadRegularFileHead(path, 2); }), read);
    QFile file;
    QString reason;
    EXPECT_FALSE(OpenRegularFile(file, path, reason));
    EXPECT_EQ(reason, QStringLiteral("It is not a regular file."));
    EXPECT_FALSE(file.isOpen());
    const QString written = FileErrorOf([&] { WriteFileAtomically(path, "new"); });
    EXPECT_EQ(written, QStringLiteral("Cannot write file \"%1\". It is not a regular file.").arg(path));

    struct stat after {};
    ASSERT_EQ(::lstat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(
        QDir(Folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System),
        QStringList{"settings.ini"});
}

INSTANTIATE_TEST_SUITE_P(Table, NotAFileTest, ::testing::ValuesIn(NotAFileCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A picture is read up to the size it says it has: a file of the system's that says it is empty and
// never ends reads as empty.
TEST_F(FileUtilsTest, ReadingToTheStatedSizeStopsThere) {
    const QString path = PathOf("picture.png");
    ASSERT_TRUE(WriteFileBytes(path, "0123456789"));
    EXPECT_EQ(ReadRegularFile(path, 10, TReadExtent::StatedSize), QByteArray("0123456789"));
    EXPECT_EQ(ReadRegularFileHead(path, 2), QByteArray("01"));
    EXPECT_EQ(ReadRegularFileHead(path, 20), QByteArray("0123456789"));
    EXPECT_EQ(ReadRegularFile(QStringLiteral("/proc/self/pagemap"), 10, TReadExtent::StatedSize),
              QByteArray());
    EXPECT_EQ(ReadRegularFileHead(QStringLiteral("/proc/self/pagemap"), 2), QByteArray());
    QFile file;
    QString reason;
    ASSERT_TRUE(OpenRegularFile(file, path, reason));
    EXPECT_EQ(file.readAll(), QByteArray("0123456789"));
    EXPECT_FALSE(OpenRegularFile(file, PathOf("missing"), reason));
    EXPECT_EQ(reason, QStringLiteral("No such file or directory"));
}

TEST_F(FileUtilsTest, ReadRegularFileReadsUpToItsLimit) {
    EXPECT_EQ(ReadRegularFile(PathOf("missing"), 10), std::nullopt);
    EXPECT_EQ(ReadRegularFile(PathOf("missing/below"), 10), std::nullopt);
    const QString path = PathOf("list.txt");
    ASSERT_TRUE(WriteFileBytes(path, "0123456789"));
    EXPECT_EQ(ReadRegularFile(path, 10), QByteArray("0123456789"));
    EXPECT_EQ(FileErrorOf([&] { ReadRegularFile(path, 9); }),
              QStringLiteral("Cannot read file \"%1\". It is larger than 9 bytes.").arg(path));

    // A sparse file costs no disk space, only its size counts.
    QFile large(PathOf("large.txt"));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly));
    ASSERT_TRUE(large.resize((qint64(64) << 20) + 1));
    large.close();
    EXPECT_EQ(FileErrorOf([&] { ReadRegularFile(large.fileName(), qint64(64) << 20); }),
              QStringLiteral("Cannot read file \"%1\". It is larger than 64 MiB.").arg(large.fileName()));
}

// A file system of 64 KiB of its own, mounted for the test: what a full disk does to a write can only
// be seen on one. Mounting needs the superuser, as on the build machines.
constexpr qint64 DiskSize = 64 * 1024;

class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "mounting a small file system needs the superuser";
        }
        ASSERT_TRUE(Folder.isValid());
        Mount = Folder.filePath("disk");
        ASSERT_TRUE(QDir().mkdir(Mount));
        const QByteArray options = "size=" + QByteArray::number(DiskSize);
        if (::mount("tmpfs", QFile::encodeName(Mount).constData(), "tmpfs", 0, options.constData()) != 0) {
            GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
        }
        Mounted = true;
    }
    void TearDown() override {
        if (Mounted) {
            ::umount2(QFile::encodeName(Mount).constData(), MNT_DETACH);
        }
    }
    QString PathOf(const QString& name) const { return Mount + u'/' + name; }

    // Takes every free block, so that the next byte written anywhere fails.
    void Fill() {
        QFile filler(PathOf("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
    }
    QStringList Files() const {
        QStringList files = QDir(Mount).entryList(QDir::Files | QDir::Hidden);
        files.sort();
        return files;
    }

    QTemporaryDir Folder;
    QString Mount;
    bool Mounted = false;
};

struct TFullDiskCase {
    const char* Name;
    qsizetype Bytes;  // of the new contents
    bool FillFirst;   // else the disk fills while the new file is written
};

void PrintTo(const TFullDiskCase& c, std::ostream* os) {
    *os << c.Name;
}

class FullDiskWriteTest : public FullDiskTest, public ::testing::WithParamInterface<TFullDiskCase> {};

TEST_P(FullDiskWriteTest, KeepsTheOldFileAndReportsTheFailure) {
    const QString path = PathOf("Last image list.txt");
    QStringList entries;
    for (int i = 0; i < 40; ++i) {
        entries.append(QStringLiteral("/home/user/Pictures/IMG_%1.JPG").arg(1000 + i));
    }
    const QByteArray old = EncodeUtf16LeLines(entries);
    WriteFileAtomically(path, old);
    QStringList filesBefore = Files();
    if (GetParam().FillFirst) {
        Fill();
        filesBefore.append("filler");
        filesBefore.sort();
    }

    const QString message =
        FileErrorOf([&] { WriteFileAtomically(path, QByteArray(GetParam().Bytes, 'n')); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot write file \"%1\".").arg(path)))
        << message.toStdString();
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(Files(), filesBefore) << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(Table, FullDiskWriteTest,
                         ::testing::Values(TFullDiskCase{"AFewBytes", 3, true},
                                           TFullDiskCase{"AFortyEntryList", 40 * 80, true},
                                           TFullDiskCase{"MoreThanTheDisk", 2 * DiskSize, true},
                                           TFullDiskCase{"FillsTheDiskWhileWriting", 2 * DiskSize, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TSplitCase {
    const char* Path;
    const char* Folder;
    const char* Name;
};

class SplitPathTest : public ::testing::TestWithParam<TSplitCase> {};

TEST_P(SplitPathTest, SplitsAtTheLastSeparator) {
    EXPECT_EQ(FolderOf(GetParam().Path), GetParam().Folder);
    EXPECT_EQ(FileNameOf(GetParam().Path), GetParam().Name);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitPathTest,
                         ::testing::Values(TSplitCase{"/home/u/IMG_1234.JPG", "/home/u/", "IMG_1234.JPG"},
                                           TSplitCase{"/mixed\\dir/b", "/mixed\\dir/", "b"},
                                           TSplitCase{"/pics/a\\b.jpg", "/pics/", "a\\b.jpg"},
                                           TSplitCase{"name.ini", "", "name.ini"},
                                           TSplitCase{"folder/", "folder/", ""}, TSplitCase{"", "", ""}));

}  // namespace
