#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include "FileMaker.h"
#include "ID3v2Tag.h"
#include "TagBytes.h"

namespace {

using namespace tagbytes;

int Load(TID3v2Tag& tag, const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return tag.LoadFromStream(buffer);
}

QList<QByteArray> IDsOf(const TID3v2Tag& tag) {
    QList<QByteArray> ids;
    for (int i = 0; i < tag.FrameCount(); ++i) {
        ids.append(tag.Frames(i).ID);
    }
    return ids;
}

QList<QByteArray> ContentsOf(const TID3v2Tag& tag) {
    QList<QByteArray> contents;
    for (int i = 0; i < tag.FrameCount(); ++i) {
        contents.append(tag.Frames(i).Content);
    }
    return contents;
}

struct TLoadCase {
    const char* Name;
    QByteArray Bytes;
    int Result;
    QList<QByteArray> Contents;  // one per frame, in order
};

class LoadTest : public ::testing::TestWithParam<TLoadCase> {};

// The contents read frame by frame: the header, then each frame's header and its content from where it
// was located.
QList<QByteArray> ContentsFrameByFrame(const QByteArray& bytes, int& result) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TID3v2Tag header;
    result = header.ReadHeader(buffer);
    QList<QByteArray> contents;
    TID3v2Frame frame;
    bool more = result == 0;
    while (more && header.NextFrameHeader(buffer, frame, more)) {
        const qint64 next = buffer.pos();
        EXPECT_TRUE(frame.ReadContent(buffer, frame.ContentLength));
        EXPECT_FALSE(frame.ReadContent(buffer, frame.ContentLength - 1) && frame.ContentLength > 0);
        contents.append(frame.Content);
        buffer.seek(next);
    }
    EXPECT_EQ(header.FrameCount(), 0);
    return contents;
}

// Each case is read from a stream, from a file, whose frames refer to the file's bytes, and frame by
// frame.
TEST_P(LoadTest, ReadsTheFramesAndResult) {
    const TLoadCase& c = GetParam();
    TID3v2Tag tag;
    EXPECT_EQ(Load(tag, c.Bytes), c.Result);
    EXPECT_EQ(tag.Loaded, c.Result == 0);
    EXPECT_EQ(ContentsOf(tag), c.Contents);

    QTemporaryDir folder;
    TID3v2Tag fromFile;
    EXPECT_EQ(fromFile.LoadFromFile(testsupport::MakeFile(folder.filePath("tag.db"), c.Bytes)), c.Result);
    EXPECT_EQ(fromFile.Loaded, c.Result == 0);
    EXPECT_EQ(ContentsOf(fromFile), c.Contents);

    int result = -1;
    EXPECT_EQ(ContentsFrameByFrame(c.Bytes, result), c.Contents);
    EXPECT_EQ(result, c.Result);
}

const QByteArray cata = Frame3("CATA", "catalogue");
const QByteArray thum = Frame3("THUM", "picture");
const QByteArray big = QByteArray(70000, 'p');

INSTANTIATE_TEST_SUITE_P(
    ID3v2Tag, LoadTest,
    ::testing::Values(
        TLoadCase{"Empty", "", 65535, {}}, TLoadCase{"NoTag", "ID4\x03", 65535, {}},
        TLoadCase{"OnlyID3", "ID3", 0, {}}, TLoadCase{"Version2", Header(2) + cata, 7, {}},
        TLoadCase{"Version5", Header(5) + cata, 7, {}},
        // The declared tag size (here 10) does not limit reading.
        TLoadCase{"FramesPastTheTagSize", Header(3, 0, 10) + cata + thum, 0, {"catalogue", "picture"}},
        TLoadCase{"OneInvalidGroupSkipped", Header(3) + cata + "abcd" + thum, 0, {"catalogue", "picture"}},
        TLoadCase{"TwoInvalidGroupsEnd", Header(3) + cata + QByteArray(8, '\0') + thum, 0, {"catalogue"}},
        // The lower-case identifier is skipped and its size bytes are tried next: invalid, so reading ends.
        TLoadCase{"LowerCaseIdentifier", Header(3) + cata + Frame3("tHUM", "x") + thum, 0, {"catalogue"}},
        TLoadCase{"BlankInIdentifier", Header(3) + Frame3("TH M", "x") + thum, 0, {}},
        TLoadCase{"ZeroSizeFrame", Header(3) + Frame3("ZERO", "") + thum, 0, {"", "picture"}},
        TLoadCase{"Version4SynchsafeSize", Header(4) + Frame4("THUM", big) + cata, 0, {big, "catalogue"}},
        // A v3 size with the top bit set reads as negative: nothing is copied, the next bytes follow.
        TLoadCase{"NegativeSize",
                  Header(3) + FrameWithSize("NEGA", BigEndian(0xFFFFFFFF), "") + thum,
                  0,
                  {"", "picture"}},
        // Cut contents keep only whole 61440-byte blocks.
        TLoadCase{
            "ContentCutShort", Header(3) + FrameWithSize("THUM", BigEndian(100), "0123456789"), 0, {""}},
        TLoadCase{"HugeDeclaredSize",
                  Header(3) + cata + FrameWithSize("THUM", BigEndian(0x7FFFFFFF), big),
                  0,
                  {"catalogue", big.left(61440)}},
        TLoadCase{"HeaderCutShort", Header(3) + cata + QByteArray("THUM\x00\x00", 6), 0, {"catalogue", ""}},
        TLoadCase{"HeaderCutAfterIdentifier", Header(3) + "THUM", 0, {""}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ID3v2TagTest, OnlyID3ReadsAsAnEmptyVersion3Tag) {
    TID3v2Tag tag;
    ASSERT_EQ(Load(tag, "ID3"), 0);
    EXPECT_EQ(tag.MajorVersion, 3);
    EXPECT_EQ(tag.Size, 0u);
}

TEST(ID3v2TagTest, ReadsTheHeaderFlagsAndSynchsafeSize) {
    TID3v2Tag tag;
    // 0x7F in every size byte, top bits set on top: the top bits are ignored.
    ASSERT_EQ(Load(tag, QByteArray("ID3\x04\x01\xB0\xFF\x7F\xFF\x7F", 10)), 0);
    EXPECT_EQ(tag.MajorVersion, 4);
    EXPECT_EQ(tag.Revision, 1);
    EXPECT_TRUE(tag.Unsynchronisation);
    EXPECT_FALSE(tag.HasExtendedHeader);
    EXPECT_TRUE(tag.Experimental);
    EXPECT_TRUE(tag.HasFooter);
    EXPECT_EQ(tag.Size, 0x0FFFFFFFu);
}

TEST(ID3v2TagTest, ReadsVersion3FrameFlagsAndTheTagsUnsynchronisation) {
    TID3v2Tag tag;
    const QByteArray bytes =
        Header(3, 0x80) + FrameWithSize("THUM", BigEndian(7), QByteArray("\x00\x00\x01\x00xyz", 7), 0x00E0);
    ASSERT_EQ(Load(tag, bytes), 0);
    ASSERT_EQ(tag.FrameCount(), 1);
    const TID3v2Frame& frame = tag.Frames(0);
    EXPECT_EQ(frame.FrameFlags, 0x00E0);
    EXPECT_TRUE(frame.Compressed && frame.Encrypted && frame.Grouped && frame.Unsynchronised);
    EXPECT_TRUE(frame.HasDataLength);
    EXPECT_EQ(frame.DataLength, 256u);
    EXPECT_EQ(frame.Content, "xyz");  // group and method bytes of version 3 stay in the content
    EXPECT_EQ(frame.GroupID, 0);
}

TEST(ID3v2TagTest, SeparatesVersion4GroupMethodAndDataLength) {
    TID3v2Tag tag;
    const QByteArray extra = QByteArray("\x07\x09", 2) + Synchsafe(300);
    ASSERT_EQ(Load(tag, Header(4, 0x80) + Frame4("THUM", extra + "abc", 0x0047) + cata), 0);
    ASSERT_EQ(IDsOf(tag), (QList<QByteArray>{"THUM", "CATA"}));
    const TID3v2Frame& frame = tag.Frames(0);
    EXPECT_EQ(frame.Size, 9);
    EXPECT_TRUE(frame.Grouped && frame.Encrypted && frame.Unsynchronised && frame.HasDataLength);
    EXPECT_FALSE(frame.Compressed);
    EXPECT_EQ(frame.GroupID, 7);
    EXPECT_EQ(frame.EncryptionMethod, 9);
    EXPECT_EQ(frame.DataLength, 300u);
    EXPECT_EQ(frame.Content, "abc");
    EXPECT_FALSE(tag.Frames(1).Unsynchronised);  // the tag's flag is not applied in version 4
}

TEST(ID3v2TagTest, AFrameIdentifierWhereTheExtendedHeaderShouldBeMeansNone) {
    TID3v2Tag tag;
    ASSERT_EQ(Load(tag, Header(3, 0x40) + cata + thum), 0);
    EXPECT_FALSE(tag.HasExtendedHeader);
    EXPECT_EQ(IDsOf(tag), (QList<QByteArray>{"CATA", "THUM"}));
}

TEST(ID3v2TagTest, KeepsTheVersion3ExtendedHeaderRestUnsynchronised) {
    TID3v2Tag tag;
    const QByteArray extended = Synchsafe(7) + QByteArray("\x80\x00\xFF\x00\x00\x12\x34", 7);
    ASSERT_EQ(Load(tag, Header(3, 0xC0) + extended + cata), 0);
    EXPECT_TRUE(tag.HasExtendedHeader);
    EXPECT_EQ(tag.ExtendedHeader3.Size, 7u);
    EXPECT_EQ(tag.ExtendedHeader3.ExtFlags, 0x8000);
    EXPECT_TRUE(tag.ExtendedHeader3.CRCPresent);
    EXPECT_EQ(tag.ExtendedHeader3.Rest, QByteArray("\xFF\x00\x12\x34", 4));
    EXPECT_EQ(IDsOf(tag), QList<QByteArray>{"CATA"});
}

TEST(ID3v2TagTest, ReadsVersion4ExtendedHeaderFlagDataWithLengthBytes) {
    TID3v2Tag tag;
    // Update (length 0), CRC (length 5), restrictions (length 1), as ID3v2.4.0 lays them out.
    const QByteArray extended =
        Synchsafe(15) + QByteArray("\x01\x70\x00\x05\x01\x02\x03\x04\x05\x01\x2A", 11);
    ASSERT_EQ(Load(tag, Header(4, 0x40) + extended + Frame4("CATA", "catalogue")), 0);
    const TID3v2ExtendedHeader4& header = tag.ExtendedHeader4;
    EXPECT_EQ(header.Size, 15u);
    EXPECT_EQ(header.FlagByteCount, 1);
    EXPECT_TRUE(header.IsUpdate && header.CRCPresent && header.HasRestrictions);
    EXPECT_EQ(header.FlagDataLength, 9u);
    EXPECT_EQ(header.FlagData, QByteArray("\x00\x05\x01\x02\x03\x04\x05\x01\x2A", 9));
    EXPECT_EQ(ContentsOf(tag), QList<QByteArray>{"catalogue"});
}

TEST(ID3v2TagTest, FindsFramesByteExactAndAddsOnlyFourByteIdentifiers) {
    TID3v2Tag tag;
    ASSERT_EQ(Load(tag, Header(3) + thum + cata + cata), 0);
    EXPECT_EQ(tag.FindFrame("CATA"), 1);
    EXPECT_EQ(tag.FindFrame("cata"), -1);
    EXPECT_EQ(tag.FindFrame("CAT"), -1);
    EXPECT_EQ(tag.AddFrame("ABC"), -1);
    EXPECT_EQ(tag.AddFrame("NEW1"), 3);
    EXPECT_TRUE(tag.Frames(3).Content.isEmpty());
}

TEST(ID3v2TagTest, EveryLoadStartsCleared) {
    TID3v2Tag tag;
    ASSERT_EQ(Load(tag, Header(4, 0x80) + cata), 0);
    ASSERT_EQ(Load(tag, "not a tag"), 65535);
    EXPECT_EQ(tag.FrameCount(), 0);
    EXPECT_EQ(tag.MajorVersion, 3);
    EXPECT_FALSE(tag.Unsynchronisation);
}

TEST(ID3v2TagTest, LoadFromFileRecordsTheNameOnlyForATagHeader) {
    QTemporaryDir folder;
    struct {
        QString Path;
        int Result;
        bool NameKept;
    } const cases[] = {
        {testsupport::MakeFile(folder.filePath("v3.db"), Header(3) + cata), 0, true},
        {testsupport::MakeFile(folder.filePath("v2.db"), Header(2) + cata), 7, true},
        {testsupport::MakeFile(folder.filePath("text.db"), "plain text"), 65535, false},
        {folder.filePath("missing.db"), 3, false},
        {folder.path(), 3, false},
    };
    for (const auto& c : cases) {
        TID3v2Tag tag;
        EXPECT_EQ(tag.LoadFromFile(c.Path), c.Result) << c.Path.toStdString();
        EXPECT_EQ(tag.FileName, c.NameKept ? c.Path : QString()) << c.Path.toStdString();
        EXPECT_EQ(tag.FrameCount(), c.Result == 0 ? 1 : 0) << c.Path.toStdString();
    }
}

TEST(ID3v2TagTest, RemovesUnsynchronisationJudgedOnTheInputBytes) {
    const QByteArray acrossBlocks = QByteArray(61439, 'a') + "\xFF" + QByteArray(1, '\0') + "b";
    const struct {
        QByteArray In;
        QByteArray Out;
    } cases[] = {
        {QByteArray("\xFF\x00\x00\xFF\x00", 5), QByteArray("\xFF\x00\xFF", 3)},
        {"plain", "plain"},
        {QByteArray("\xFF\xFF\x00\x00", 4), QByteArray("\xFF\xFF\x00", 3)},
        {"", ""},
        {acrossBlocks, QByteArray(61439, 'a') + "\xFF" + "b"},
    };
    for (const auto& c : cases) {
        TID3v2Frame frame;
        frame.Content = c.In;
        frame.Unsynchronised = true;
        EXPECT_TRUE(frame.RemoveUnsynchronisation());
        EXPECT_EQ(frame.Content, c.Out);
        EXPECT_FALSE(frame.Unsynchronised);
    }
}

TEST(ID3v2TagTest, DecompressInflatesOnlyAWholeBoundedZlibStream) {
    const QByteArray plain = QByteArray(5000, 'z') + "tail";
    const QByteArray stream = Zlib(plain);
    const QByteArray bomb = Zlib(QByteArray(TID3v2Frame::MaxInflatedSize + 1, '\0'));
    const struct {
        const char* Name;
        QByteArray Content;
        bool Inflates;
    } cases[] = {
        {"whole stream", stream, true},
        {"four bytes", stream.left(4), false},
        {"cut stream", stream.left(stream.size() / 2), false},
        {"not zlib", "this is not a zlib stream", false},
        {"inflates past the bound", bomb, false},
        {"exactly the bound", Zlib(QByteArray(TID3v2Frame::MaxInflatedSize, '\0')), true},
    };
    for (const auto& c : cases) {
        TID3v2Frame frame;
        frame.Content = c.Content;
        frame.Compressed = true;
        frame.HasDataLength = true;
        EXPECT_EQ(frame.Decompress(), c.Inflates) << c.Name;
        EXPECT_EQ(frame.Compressed, !c.Inflates) << c.Name;
        EXPECT_EQ(frame.HasDataLength, !c.Inflates) << c.Name;
        if (!c.Inflates) {
            EXPECT_EQ(frame.Content, c.Content) << c.Name;
        }
    }
    TID3v2Frame frame;
    frame.Content = stream;
    ASSERT_TRUE(frame.Decompress());
    EXPECT_EQ(frame.Content, plain);
}

TEST(ID3v2TagTest, DecompressWithinALimitTellsWhatItInflated) {
    const QByteArray plain = QByteArray(5000, 'z') + "tail";
    const struct {
        qsizetype Limit;
        bool Inflates;
        qsizetype Inflated;
    } cases[] = {
        {plain.size(), true, plain.size()},
        {plain.size() - 1, false, plain.size()},  // one byte beyond the limit tells it
        {100, false, 101},
        {0, false, 1},
    };
    for (const auto& c : cases) {
        TID3v2Frame frame;
        frame.Content = Zlib(plain);
        frame.Compressed = true;
        qsizetype inflated = -1;
        EXPECT_EQ(frame.Decompress(c.Limit, inflated), c.Inflates) << c.Limit;
        EXPECT_EQ(inflated, c.Inflated) << c.Limit;
        EXPECT_EQ(frame.Content, c.Inflates ? plain : Zlib(plain)) << c.Limit;
    }
}

}  // namespace
