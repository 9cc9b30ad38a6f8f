#include "TextFile.h"

#include <gtest/gtest.h>

#include "CoreTestFiles.h"

using coretest::Bytes;
using namespace Qt::StringLiterals;

namespace {

struct TDecodeCase {
    const char* Name;
    QByteArray Input;
    QStringList Lines;
};

void PrintTo(const TDecodeCase& c, std::ostream* os) {
    *os << c.Name;
}

class DecodeTextLinesTest : public ::testing::TestWithParam<TDecodeCase> {};

TEST_P(DecodeTextLinesTest, GivesTheLines) {
    EXPECT_EQ(DecodeTextLines(GetParam().Input), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DecodeTextLinesTest,
    ::testing::Values(
        TDecodeCase{"Utf8WithMark",
                    Bytes("\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
                          "e\r\nb"),
                    {u"Grüße"_s, "b"}},
        TDecodeCase{"Utf16LeWithMark",
                    Bytes("\xFF\xFE"
                          "a\0\xAC\x20\r\0\n\0b\0"),
                    {u"a€"_s, "b"}},
        TDecodeCase{"Utf16BeWithMark", Bytes("\xFE\xFF\0a\x20\xAC\0\r\0\n\0b"), {u"a€"_s, "b"}},
        TDecodeCase{"Utf16OddTrailingByteDropped",
                    Bytes("\xFF\xFE"
                          "a\0b"),
                    {"a"}},
        TDecodeCase{
            "Utf16KeepsUnpairedSurrogate", Bytes("\xFF\xFE\x00\xD8x\0"), {QString::fromUtf16(u"\xD800x", 2)}},
        TDecodeCase{"Utf8WithoutMark", Bytes("caf\xC3\xA9 \xF0\x9F\x98\x80"), {u"café 😀"_s}},
        TDecodeCase{"Windows1252", Bytes("\x80 caf\xE9 \x9F \x8A"), {u"€ café Ÿ Š"_s}},
        TDecodeCase{"Windows1252UndefinedBytesKept",
                    Bytes("\x81\x8D\x8F\x90\x9D"),
                    {QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D")}},
        TDecodeCase{"OverlongUtf8Is1252", Bytes("\xC0\xAF"), {u"À¯"_s}},
        TDecodeCase{"Utf8SurrogateIs1252", Bytes("\xED\xA0\x80"), {u"í\u00A0€"_s}},
        TDecodeCase{"CutOffUtf8Is1252", Bytes("a\xC3"), {u"aÃ"_s}},
        TDecodeCase{"NulEndsText", Bytes("ab\0cd\r\nef"), {"ab"}},
        TDecodeCase{"NulEndsUtf16Text",
                    Bytes("\xFF\xFE"
                          "a\0\0\0b\0"),
                    {"a"}},
        TDecodeCase{"BytesAfterNulDoNotDecideEncoding", Bytes("caf\xC3\xA9\0\xFF"), {u"café"_s}},
        TDecodeCase{"Utf16LeWithoutMark", Bytes("a\0\xE9\0\r\0\n\0b\0"), {u"aé"_s, "b"}},
        TDecodeCase{"Utf16LeWithoutMarkNeedsEveryHighByteZero", Bytes("a\0\xAC\x20"), {"a"}}));

INSTANTIATE_TEST_SUITE_P(
    LineBreaks, DecodeTextLinesTest,
    ::testing::Values(TDecodeCase{"Empty", QByteArray(), {}}, TDecodeCase{"OnlyMark", Bytes("\xFF\xFE"), {}},
                      TDecodeCase{"MixedBreaks", Bytes("a\r\nb\nc\rd"), {"a", "b", "c", "d"}},
                      TDecodeCase{"NoFinalBreak", Bytes("a\nb"), {"a", "b"}},
                      TDecodeCase{"FinalBreakNoExtraLine", Bytes("a\nb\r\n"), {"a", "b"}},
                      TDecodeCase{"EmptyMiddleLineKept", Bytes("a\r\n\r\nb"), {"a", "", "b"}},
                      TDecodeCase{"CrThenCrLfAreTwoBreaks", Bytes("\r\r\n"), {"", ""}},
                      TDecodeCase{"LfCrAreTwoBreaks", Bytes("a\n\rb"), {"a", "", "b"}},
                      TDecodeCase{"OneBreakIsOneEmptyLine", Bytes("\n"), {""}},
                      TDecodeCase{"NoTrimming", Bytes("  a \t"), {"  a \t"}}));

struct TCompleteCase {
    const char* Name;
    QByteArray Input;
    bool Complete;
};

void PrintTo(const TCompleteCase& c, std::ostream* os) {
    *os << c.Name;
}

class DecodeTextCheckedTest : public ::testing::TestWithParam<TCompleteCase> {};

// Complete means the text is all the bytes held, read in the encoding their mark names.
TEST_P(DecodeTextCheckedTest, SaysWhetherTheTextIsComplete) {
    const TDecodedText decoded = DecodeTextChecked(GetParam().Input);
    EXPECT_EQ(decoded.Complete, GetParam().Complete);
    EXPECT_EQ(decoded.Text, DecodeText(GetParam().Input));
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeTextCheckedTest,
                         ::testing::Values(TCompleteCase{"Empty", QByteArray(), true},
                                           TCompleteCase{"OnlyMark", Bytes("\xFF\xFE"), true},
                                           TCompleteCase{"Utf16Le",
                                                         Bytes("\xFF\xFE"
                                                               "a\0\x00\xD8"),
                                                         true},
                                           TCompleteCase{"Utf16Be", Bytes("\xFE\xFF\0a"), true},
                                           TCompleteCase{"Utf8",
                                                         Bytes("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                               "caf\xC3\xA9"),
                                                         true},
                                           TCompleteCase{"Utf16OddLastByte",
                                                         Bytes("\xFF\xFE"
                                                               "a\0b"),
                                                         false},
                                           TCompleteCase{"Utf16Nul",
                                                         Bytes("\xFF\xFE"
                                                               "a\0\0\0b\0"),
                                                         false},
                                           TCompleteCase{"InvalidUtf8",
                                                         Bytes("\xEF\xBB\xBF"
                                                               "caf\xE9"),
                                                         false},
                                           TCompleteCase{"Utf8Nul",
                                                         Bytes("\xEF\xBB\xBF"
                                                               "a\0b"),
                                                         false},
                                           TCompleteCase{"NoMark", Bytes("plain"), false},
                                           TCompleteCase{"Utf16LeWithoutMark", Bytes("a\0b\0"), false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(EncodeUtf16LeLinesTest, WritesMarkAndCrLfAfterEveryLine) {
    EXPECT_EQ(EncodeUtf16LeLines({}), Bytes("\xFF\xFE"));
    EXPECT_EQ(EncodeUtf16LeLines({u"a€"_s, ""}), Bytes("\xFF\xFE"
                                                       "a\0\xAC\x20\r\0\n\0\r\0\n\0"));
}

TEST(EncodeUtf16LeLinesTest, DecodesBackToTheSameLines) {
    const QStringList lines = {u"Grüße 😀"_s, "", QString::fromUtf16(u"\xDC00 lone"), "  padded  "};
    EXPECT_EQ(DecodeTextLines(EncodeUtf16LeLines(lines)), lines);
}

}  // namespace
