#include "ExifVocabularies.h"

#include "ExifFormatters.h"

#include <initializer_list>
#include <utility>

namespace {

using Table = std::initializer_list<std::pair<int, const char*>>;

// The table's word for the code, or "" when the code is not listed.
QString Lookup(Table table, int code) {
    for (const auto& [listed, text] : table) {
        if (listed == code) {
            return QString::fromUtf8(text);
        }
    }
    return {};
}

// Absent codes give the empty text, unlisted ones "<Unrecognised (code)>".
QString WordOrUnrecognised(Table table, std::optional<int> code) {
    if (!code) {
        return {};
    }
    const QString word = Lookup(table, *code);
    return word.isEmpty() ? UnrecognisedText(*code) : word;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

std::optional<int> NonZero(int code) {
    return code == 0 ? std::nullopt : std::optional<int>(code);
}

}  // namespace

QString ExposureProgramText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "Undefined"},
                               {1, "Manual"},
                               {2, "Normal"},
                               {3, "Aperture priority"},
                               {4, "Shutter priority"},
                               {5, "Creative"},
                               {6, "Action"},
                               {7, "Portrait"},
                               {8, "Landscape"}},
                              code);
}

QString FileSourceText(int code) {
    return WordOrUnrecognised({{1, "Film scanner"}, {2, "Reflection print scanner"}, {3, "Digital camera"}},
                              NonZero(code));
}

QString FlashModeText(int code) {
    return Lookup({{1, "Compulsory fire"}, {2, "Compulsory suppression"}, {3, "Auto"}}, code);
}

QString StrobeLightText(int code) {
    return Lookup({{0, "No detection function"}, {1, "Undetected"}, {2, "Detected"}}, code);
}

int StrobeLightCode(qint64 flash) {
    if ((flash & 0x04) == 0) {
        return 0;  // no detection function, or the reserved field 1
    }
    return (flash & 0x02) ? 2 : 1;
}

int FlashModeCode(qint64 flash) {
    return int((flash >> 3) & 0x03);
}

QString GainControlText(std::optional<int> code) {
    return WordOrUnrecognised(
        {{0, "None"}, {1, "Low gain up"}, {2, "High gain up"}, {3, "Low gain down"}, {4, "High gain down"}},
        code);
}

QString AltitudeRefText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "above sea level"}, {1, "below sea level"}}, code);
}

QString GPSDifferentialText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "Without correction"}, {1, "Correction applied"}}, code);
}

QString MeasureModeText(char c) {
    return Lookup({{'2', "2D"}, {'3', "3D"}}, c);
}

QString SpeedUnitText(char c) {
    const QString word = Lookup({{'M', "mph"}, {'N', "knots"}}, Upper(c));
    return word.isEmpty() ? QStringLiteral("km/h") : word;
}

QString GPSStatusText(char c) {
    return Lookup({{'A', "Measurement active/in progress"}, {'V', "Measurement void/in interop"}}, Upper(c));
}

QString DirectionRefText(char c) {
    return Upper(c) == 'M' ? QStringLiteral("magnetic north") : QStringLiteral("true north");
}

QString DistanceUnitText(char c) {
    const QString word = Lookup({{'M', "miles"}, {'N', "knots"}}, Upper(c));
    return word.isEmpty() ? QStringLiteral("kilometres") : word;
}

QString LightSourceText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "Unknown"},
                               {1, "Daylight"},
                               {2, "Fluorescent"},
                               {3, "Tungsten"},
                               {4, "Flash"},
                               {9, "Fine weather"},
                               {10, "Cloudy weather"},
                               {11, "Shade"},
                               {12, "Daylight fluorescent"},
                               {13, "DayWhite fluorescent"},
                               {14, "Cool white fluorescent"},
                               {15, "White fluorescent"},
                               {17, "Standard light A"},
                               {18, "Standard light B"},
                               {19, "Standard light C"},
                               {20, "D55"},
                               {21, "D65"},
                               {22, "D75"},
                               {23, "D50"},
                               {24, "ISO studio tungsten"},
                               {255, "Other"}},
                              code);
}

QString MeteringModeText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "Unknown"},
                               {1, "Average"},
                               {2, "Centre weighted average"},
                               {3, "Spot"},
                               {4, "Multiple spot"},
                               {5, "Pattern"},
                               {6, "Partial"}},
                              code);
}

QString OrientationText(int code) {
    return WordOrUnrecognised({{1, "Normal"},
                               {2, "Mirror horizontal"},
                               {3, "Rotate 180°"},
                               {4, "Mirror vertical"},
                               {5, "Mirrow horizontal and rotate 270°"},
                               {6, "Rotate 90°"},
                               {7, "Mirror hotizontal and rotate 90°"},
                               {8, "Rotate 270°"}},
                              NonZero(code));
}

QString RenderingText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "Normal"}, {1, "Custom"}}, code);
}

QString ResolutionUnitText(int code) {
    return Lookup({{2, "inches"}, {3, "centimetres"}}, code);
}

QString SceneCaptureTypeText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "Standard"}, {1, "Landscape"}, {2, "Portrait"}, {3, "NightScene"}}, code);
}

QString SceneTypeText(int code) {
    return WordOrUnrecognised({{1, "Directly photographed"}}, NonZero(code));
}

QString SensingMethodText(std::optional<int> code) {
    return WordOrUnrecognised({{1, "Monochrome"},
                               {2, "One chip"},
                               {3, "Two chip"},
                               {4, "ThreeChip"},
                               {5, "Colour sequential"},
                               {7, "Trilinear"},
                               {8, "Colour sequential linear"}},
                              code);
}

QString SubjectDistanceRangeText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "Unknown"}, {1, "Macro"}, {2, "Close"}, {3, "Distant"}}, code);
}

QString WhiteBalanceText(std::optional<int> code) {
    return WordOrUnrecognised({{0, "Auto"}, {1, "Manual"}}, code);
}

QString ColourSpaceText(int code) {
    return Lookup({{1, "RGB"}, {65535, "Uncalibrated"}}, code);
}
