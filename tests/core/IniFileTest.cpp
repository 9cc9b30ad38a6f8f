#include "IniFile.h"

#include "Exceptions.h"
#include "FileUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "CoreTestFiles.h"

using coretest::Bytes;
using coretest::ReadFileBytes;
using coretest::Utf16LeFile;
using coretest::WriteFileBytes;

namespace {

// A settings file as another copy of the program, or a person, may have left it: a comment before the
// first section, spaces around names and values, a comment that holds '=', blank lines between
// sections and a section the program does not know.
const QStringList ForeignLines = {
    "; Orvalis settings",
    "[Display]",
    "Use=2",
    "",
    "[Settings]",
    "  SlideshowInterval = 15  ",
    "; WatermarkFontName=Arial",
    "WatermarkFontName=\"Tahoma\"",
    "",
    "[Other]",
    "Foo=Bar",
};

QByteArray FileOf(const QStringList& lines) {
    return Utf16LeFile(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

TIniFile IniOf(const QStringList& lines) {
    return TIniFile::FromBytes(QString(), FileOf(lines));
}

TEST(IniFileTest, NewFileHoldsExactlyTheWrittenKey) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString fresh = folder.filePath("fresh.ini");
    const QString markOnly = folder.filePath("mark-only.ini");
    ASSERT_TRUE(CreateEmptyUnicodeFile(markOnly));

    for (const QString& path : {fresh, markOnly}) {
        TIniFile ini(path);
        ini.WriteBool("Settings", "ListerViewModeThumbs", true);
        ini.Save();
        EXPECT_EQ(coretest::ReadFileBytes(path), Utf16LeFile("[Settings]\r\nListerViewModeThumbs=1\r\n"))
            << path.toStdString();
    }
}

TEST(IniFileTest, MissingFileReadsAsEmpty) {
    const TIniFile ini("/nonexistent/folder/none.ini");
    EXPECT_FALSE(ini.SectionExists("Settings"));
    EXPECT_EQ(ini.ReadString("Settings", "Key", "default"), "default");
    EXPECT_EQ(ini.ToBytes(), QByteArray("\xFF\xFE", 2));
}

TEST(IniFileTest, ReadsNamesWithoutRegardToCaseAndValuesAsTheyStand) {
    const TIniFile ini = IniOf(ForeignLines);
    EXPECT_TRUE(ini.SectionExists("settings"));
    EXPECT_FALSE(ini.SectionExists("Missing"));
    EXPECT_EQ(ini.ReadString("SETTINGS", "slideshowinterval", ""), "15");
    EXPECT_EQ(ini.ReadString("Settings", "WatermarkFontName", ""), "\"Tahoma\"");
    EXPECT_EQ(ini.ReadInteger("Display", "Use", 0), 2);
    // A key belongs to its own section only; comments are never keys.
    EXPECT_FALSE(ini.ValueExists("Settings", "Use"));
    EXPECT_FALSE(ini.ValueExists("Settings", "; WatermarkFontName"));
}

TEST(IniFileTest, FirstSectionAndFirstKeyWin) {
    const TIniFile ini =
        IniOf({"Stray=0", "[A]", "k=first", "K=second", "x=a=b", "[a]", "k=third", "only=here"});
    EXPECT_EQ(ini.ReadString("A", "K", ""), "first");
    EXPECT_EQ(ini.ReadString("A", "x", ""), "a=b");
    EXPECT_FALSE(ini.ValueExists("A", "only"));
    EXPECT_FALSE(ini.ValueExists("", "Stray"));
}

struct TIntegerCase {
    const char* Text;
    bool Valid;
    int Value;
};

class IniIntegerTest : public ::testing::TestWithParam<TIntegerCase> {};

TEST_P(IniIntegerTest, ReadsNumberOrDefault) {
    const TIntegerCase& c = GetParam();
    int value = 12345;
    EXPECT_EQ(TIniFile::ParseInteger(c.Text, value), c.Valid);
    if (c.Valid) {
        EXPECT_EQ(value, c.Value);
    }
    const TIniFile ini = IniOf({"[S]", QStringLiteral("K=") + c.Text});
    EXPECT_EQ(ini.ReadInteger("S", "K", 42), c.Valid ? c.Value : 42);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniIntegerTest,
    ::testing::Values(
        TIntegerCase{"0x10", true, 16}, TIntegerCase{"0X1f", true, 31}, TIntegerCase{"$10", true, 16},
        TIntegerCase{"-5", true, -5}, TIntegerCase{"+8", true, 8}, TIntegerCase{" 7 ", true, 7},
        TIntegerCase{"007", true, 7}, TIntegerCase{"2147483647", true, 2147483647},
        TIntegerCase{"-2147483648", true, -2147483647 - 1}, TIntegerCase{"0xFFFFFFFF", true, -1},
        TIntegerCase{"-0x10", true, -16}, TIntegerCase{"abc", false, 0}, TIntegerCase{"", false, 0},
        TIntegerCase{"-", false, 0}, TIntegerCase{"0x", false, 0}, TIntegerCase{"0x123456789", false, 0},
        TIntegerCase{"0xG", false, 0}, TIntegerCase{"99999999999", false, 0},
        TIntegerCase{"2147483648", false, 0}, TIntegerCase{"1x", false, 0}, TIntegerCase{"1 2", false, 0},
        TIntegerCase{"- 5", false, 0}, TIntegerCase{"1.5", false, 0}));

struct TBoolCase {
    const char* Text;  // nullptr: the key is missing
    bool Default;
    bool Expected;
};

class IniBoolTest : public ::testing::TestWithParam<TBoolCase> {};

TEST_P(IniBoolTest, NonZeroIsTrueAndNonNumbersGiveTheDefault) {
    const TBoolCase& c = GetParam();
    const TIniFile ini = IniOf({"[S]", c.Text ? QStringLiteral("K=") + c.Text : QStringLiteral("Other=0")});
    EXPECT_EQ(ini.ReadBool("S", "K", c.Default), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, IniBoolTest,
                         ::testing::Values(TBoolCase{"0", true, false}, TBoolCase{"1", false, true},
                                           TBoolCase{"2", false, true}, TBoolCase{"-1", false, true},
                                           TBoolCase{"0x0", true, false}, TBoolCase{"true", false, false},
                                           TBoolCase{"true", true, true}, TBoolCase{"", true, true},
                                           TBoolCase{nullptr, true, true}, TBoolCase{nullptr, false, false}));

struct TWriteCase {
    const char* Name;
    const char* Section;
    const char* Key;
    const char* Value;
    QStringList Expected;
};

void PrintTo(const TWriteCase& c, std::ostream* os) {
    *os << c.Name;
}

class IniWriteTest : public ::testing::TestWithParam<TWriteCase> {};

// Writing one key changes one line or adds lines in one place; every other byte stays.
TEST_P(IniWriteTest, KeepsEverythingElse) {
    const TWriteCase& c = GetParam();
    TIniFile ini = IniOf(ForeignLines);
    ini.WriteString(c.Section, c.Key, c.Value);
    EXPECT_EQ(ini.ToBytes(), FileOf(c.Expected));
    EXPECT_EQ(ini.ReadString(c.Section, c.Key, "missing"), QString(c.Value).trimmed());
}

QStringList ForeignWith(int at, int removed, const QStringList& inserted) {
    QStringList lines = ForeignLines;
    lines.remove(at, removed);
    for (int i = 0; i < inserted.size(); ++i) {
        lines.insert(at + i, inserted[i]);
    }
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniWriteTest,
    ::testing::Values(
        TWriteCase{"ReplacesInPlaceKeepingTheKeysSpelling", "settings", "slideshowinterval", "20",
                   ForeignWith(5, 1, {"SlideshowInterval=20"})},
        TWriteCase{"AddsAfterTheSectionsLastEntry", "Settings", "New", "x", ForeignWith(8, 0, {"New=x"})},
        TWriteCase{"AddsToASectionAtTheEnd", "Other", "Baz", "1", ForeignWith(11, 0, {"Baz=1"})},
        TWriteCase{"AppendsANewSection", "Fresh", "K", "v", ForeignWith(11, 0, {"[Fresh]", "K=v"})},
        TWriteCase{"ValueIsWrittenAsGiven", "Display", "Use", " a b ", ForeignWith(2, 1, {"Use= a b "})}));

TEST(IniFileTest, LineBreaksInAValueBecomeBlanks) {
    TIniFile ini = IniOf({"[S]"});
    ini.WriteString("S", "K", "one\r\ntwo\nthree\rfour");
    EXPECT_EQ(ini.ToBytes(), FileOf({"[S]", "K=one  two three four"}));
}

TEST(IniFileTest, AddsBeforeTheBlankLinesThatEndASection) {
    TIniFile ini = IniOf({"[S]", "", "[T]", "a=1", "", ""});
    ini.WriteInteger("S", "k", -3);
    ini.WriteInteger("T", "b", 2);
    EXPECT_EQ(ini.ToBytes(), FileOf({"[S]", "k=-3", "", "[T]", "a=1", "b=2", "", ""}));
}

TEST(IniFileTest, SaveRewritesOtherEncodingsAsUtf16LeWithCrLf) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("old.ini");
    ASSERT_TRUE(coretest::WriteFileBytes(path, "[S]\nName=caf\xE9\rB=1"));

    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "Name", ""), QStringLiteral("caf\u00E9"));
    ini.WriteBool("S", "B", false);
    ini.Save();
    EXPECT_EQ(coretest::ReadFileBytes(path), FileOf({"[S]", QStringLiteral("Name=caf\u00E9"), "B=0"}));
    EXPECT_FALSE(TIniFile(path).ReadBool("S", "B", true));
}

// The settings a program other than this one may leave. Each reads as far as it can be read; what is
// kept beside the file before the first save is the file as it was.
struct TUnreadCase {
    const char* Name;
    QByteArray File;
    const char* Value;  // of key K in section S as read, nullptr when it cannot be read
    bool KeptBeside;    // the file was not read completely
};

void PrintTo(const TUnreadCase& c, std::ostream* os) {
    *os << c.Name;
}

// UTF-16 LE as written without its byte-order mark.
QByteArray Utf16LeWithoutMark(const QString& text) {
    return Utf16LeFile(text).mid(2);
}

class IniUnreadTest : public ::testing::TestWithParam<TUnreadCase> {};

TEST_P(IniUnreadTest, KeepsTheFileBesideBeforeTheFirstSave) {
    const TUnreadCase& c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("orvalis.ini");
    const QString backup = folder.filePath("orvalis.ini.bak");
    ASSERT_EQ(TIniFile::BackupPath(path), backup);
    ASSERT_TRUE(WriteFileBytes(path, c.File));

    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "K", "<missing>"), c.Value ? QString(c.Value) : QString("<missing>"));
    ini.WriteBool("Settings", "ListerViewModeThumbs", false);
    ini.Save();
    EXPECT_FALSE(TIniFile(path).ReadBool("Settings", "ListerViewModeThumbs", true));
    if (!c.KeptBeside) {
        EXPECT_FALSE(QFileInfo::exists(backup));
        return;
    }
    EXPECT_EQ(ReadFileBytes(backup), c.File);

    // The file is now the program's own: later saves leave the copy of the original alone.
    TIniFile again(path);
    again.WriteInteger("Settings", "SlideshowInterval", 20);
    again.Save();
    EXPECT_EQ(ReadFileBytes(backup), c.File);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniUnreadTest,
    ::testing::Values(
        TUnreadCase{"Utf16LeWithMark", Utf16LeFile("[S]\r\nA=1\r\nK=v\r\n"), "v", false},
        TUnreadCase{"Empty", QByteArray(), nullptr, false},
        TUnreadCase{"OnlyTheMark", Bytes("\xFF\xFE"), nullptr, false},
        TUnreadCase{"Utf8WithMark", Bytes("\xEF\xBB\xBF[S]\r\nK=caf\xC3\xA9\r\n"), "caf\u00e9", false},
        TUnreadCase{"Utf16LeWithoutMark", Utf16LeWithoutMark("[S]\r\nA=1\r\nB=2\r\nK=v\r\nZ=9\r\n"), "v",
                    true},
        TUnreadCase{"NulInTheMiddle", Utf16LeFile(QStringLiteral("[S]\r\nA=1\r\n\0\r\nK=v\r\n")), nullptr,
                    true},
        TUnreadCase{"NulWithoutMark", Bytes("[S]\r\nA=1\0\r\nK=v\r\n"), nullptr, true},
        TUnreadCase{"InvalidUtf8AfterMark", Bytes("\xEF\xBB\xBF[S]\r\nK=v\xFF\r\n"), "v\ufffd", true},
        TUnreadCase{"Utf16OddLastByte", Utf16LeFile("[S]\r\nK=v\r\n") + 'x', "v", true},
        TUnreadCase{"AnsiWithoutMark", Bytes("[S]\r\nK=caf\xE9\r\n"), "caf\u00e9", true}),
    [](const auto& info) { return std::string(info.param.Name); });

// A FIFO blocks the moment it is opened for reading until someone writes to it. Runs `body` on a thread
// of its own; if it is still blocked after a generous wait, opening the FIFO for writing sets it free
// and the body counts as blocked.
template <class Body>
bool RunsWithoutBlockingOn(const QString& fifo, Body&& body) {
    auto done = std::async(std::launch::async, std::forward<Body>(body));
    if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) {
        done.get();
        return true;
    }
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) {
        ::close(writer);
    }
    done.wait();
    return false;
}

struct TNotReadCase {
    const char* Name;
    // Puts the thing under test at `path`; false when it cannot.
    bool (*Make)(const QString& path);
};

void PrintTo(const TNotReadCase& c, std::ostream* os) {
    *os << c.Name;
}

class IniNotReadTest : public ::testing::TestWithParam<TNotReadCase> {};

// What is not a settings file of a sane size is not read (and never blocks start-up) and is not
// replaced by a save, which reports why.
TEST_P(IniNotReadTest, IsNeverWrittenOver) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("orvalis.ini");
    if (!GetParam().Make(path)) {
        GTEST_SKIP() << "cannot make a " << GetParam().Name << " here";
    }
    const QByteArray native = QFile::encodeName(path);
    struct stat before {};
    ASSERT_EQ(::stat(native.constData(), &before), 0);

    std::optional<TIniFile> ini;
    ASSERT_TRUE(RunsWithoutBlockingOn(path, [&] { ini.emplace(path); }));
    EXPECT_EQ(ini->ReadString("S", "K", "default"), "default");
    ini->WriteBool("Settings", "ListerViewModeThumbs", true);
    QString message;
    try {
        ini->Save();
    } catch (const EFileError& error) {
        message = error.Message;
    }
    EXPECT_TRUE(message.startsWith(QStringLiteral("Cannot write file \"%1\"").arg(path)))
        << message.toStdString();

    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_FALSE(QFileInfo::exists(TIniFile::BackupPath(path)));
}

// A settings file whose first lines are sound, grown past what a settings file can be.
bool MakeOversizedSettingsFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(Utf16LeFile("[S]\r\nK=v\r\n")) > 0 &&
           file.resize(TIniFile::MaxFileSize + 1);
}

INSTANTIATE_TEST_SUITE_P(Table, IniNotReadTest,
                         ::testing::Values(TNotReadCase{"Fifo", coretest::MakeFifo},
                                           TNotReadCase{"Device", coretest::MakeDeviceNode},
                                           TNotReadCase{"LargerThanASettingsFile",
                                                        MakeOversizedSettingsFile}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
