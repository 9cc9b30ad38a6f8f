// The settings file may have been edited by hand or written by another program. Any bytes must read
// without fault, and a key the program writes must read back after saving, whatever else the file
// holds.
#include "IniFile.h"
#include "TextFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// What a written value reads back as: on one line, without surrounding blanks.
QString AsReadBack(QString value) {
    for (QChar& c : value) {
        if (c == u'\r' || c == u'\n' || c == u'\0') {
            c = u' ';
        }
    }
    return value.trimmed();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TIniFile ini = TIniFile::FromBytes(QString(), bytes);

    [[maybe_unused]] const bool exists =
        ini.SectionExists(u"Settings"_s) && ini.ValueExists(u"Display"_s, u"Use"_s);
    [[maybe_unused]] const QString name = ini.ReadString(u"Settings"_s, u"WatermarkFontName"_s, u"Tahoma"_s);
    const int interval = ini.ReadInteger(u"Settings"_s, u"SlideshowInterval"_s, 10);
    [[maybe_unused]] const bool thumbs = ini.ReadBool(u"Settings"_s, u"ListerViewModeThumbs"_s, true);
    int parsed = 0;
    for (const QString& line : SplitTextLines(DecodeText(bytes))) {
        TIniFile::ParseInteger(line, parsed);
    }

    // The value to write comes from the input too, so that it may hold anything a caller could pass.
    const QString value = DecodeText(bytes).left(64);
    ini.WriteString(u"Settings"_s, u"WatermarkFontName"_s, value);
    ini.WriteInteger(u"Display"_s, u"Use"_s, interval);
    ini.WriteBool(u"Fuzz"_s, u"Flag"_s, !thumbs);

    const QByteArray saved = ini.ToBytes();
    const TIniFile reread = TIniFile::FromBytes(QString(), saved);
    Check(reread.ReadString(u"Settings"_s, u"WatermarkFontName"_s, u"<missing>"_s) == AsReadBack(value));
    Check(reread.ReadInteger(u"Display"_s, u"Use"_s, ~interval) == interval);
    Check(reread.ReadBool(u"Fuzz"_s, u"Flag"_s, thumbs) == !thumbs);
    // Once in the program's own encoding, the file is stable: saving again changes no byte.
    Check(reread.ToBytes() == saved);
    return 0;
}
