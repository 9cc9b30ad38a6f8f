#include "ExifFormatters.h"
#include "ExifVocabularies.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The examples are written with "."; the user's decimal separator replaces it.
QString L(const char* text) {
    return QString::fromUtf8(text).replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

ExifRational R(qint64 n, qint64 d) {
    return {quint32(n), quint32(d)};
}

struct NumberCase {
    double Value;
    int Precision;
    const char* Text;
};

TEST(GeneralNumberText, FixedAndScientificRules) {
    const NumberCase cases[] = {
        {2.8, 15, "2.8"},
        {4, 15, "4"},
        {1.0 / 3, 15, "0.333333333333333"},
        {0.0001, 15, "0.0001"},
        {0.00001, 15, "1E-005"},
        {1e20, 15, "1E020"},
        {333.3333, 4, "333.3"},
        {12346, 4, "1.235E004"},
        {0, 15, "0"},
        {-2.5, 15, "-2.5"},
        {1234567, 15, "1234567"},
        {100, 15, "100"},
        {1e14, 15, "100000000000000"},
        {1e15, 15, "1E015"},
        {-0.00012, 15, "-0.00012"},
        {-1.5e-7, 15, "-1.5E-007"},
        {1.0 / 0.0, 15, "INF"},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(GeneralNumberText(c.Value, c.Precision), L(c.Text)) << c.Value << " p=" << c.Precision;
    }
}

TEST(RationalTexts, UnitBlankAndAbsentDenominator) {
    EXPECT_EQ(UnsignedRationalText(R(28, 10), {}), L("2.8 "));
    EXPECT_EQ(UnsignedRationalText(R(28, 10), QStringLiteral("seconds")), L("2.8 seconds"));
    EXPECT_EQ(UnsignedRationalText(R(12345, 0), QStringLiteral("seconds")), QString());
    EXPECT_EQ(SignedRationalText(R(-1, 3)), L("-0.333333333333333"));
    EXPECT_EQ(UnsignedRationalText(R(-1, 3), {}), L("1431655765 "));
    EXPECT_EQ(SignedRationalText(R(5, 0)), QString());
    EXPECT_EQ(SignedRationalText(R(1, -2)), L("-0.5"));
}

TEST(ShutterSpeedText, ApexValues) {
    const std::pair<ExifRational, const char*> cases[] = {
        {R(8, 1), "3.906 milliseconds"},
        {R(0, 1), "1000 milliseconds"},
        {R(10, 1), "0.9766 milliseconds"},
        {R(-1, 1), "2000 milliseconds"},
        {R(0, 0), ""},
        {R(100000, 1), ""},  // 2^-100000 ms is 0
    };
    for (const auto& [tv, text] : cases) {
        EXPECT_EQ(ShutterSpeedText(tv), L(text)) << qint32(tv.Numerator) << "/" << tv.Denominator;
    }
}

TEST(DateTimeText, LongDateAtLongTime) {
    const QDateTime value(QDate(2021, 7, 4), QTime(13, 5, 9), Qt::UTC);
    const QString text = DateTimeText(value);
    EXPECT_TRUE(text.startsWith(QLocale::system().toString(value.date(), QLocale::LongFormat) + " at "))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QLocale::system().toString(QTime(13, 5, 9), QStringLiteral("mm:ss"))))
        << text.toStdString();
    EXPECT_FALSE(text.contains("UTC")) << "an EXIF time has no zone: " << text.toStdString();
    EXPECT_EQ(DateTimeText(std::nullopt), QString());
}

TEST(GPSCoordinateText, DegreesMinutesSecondsAndCompass) {
    const struct {
        ExifCoordinate Coordinate;
        const char* Text;
    } cases[] = {
        {{R(51, 1), R(30, 1), R(1234, 100), 'N'}, "51°, 30 minutes and 12.34 seconds north"},
        {{R(0, 1), R(5, 1), R(0, 0), 'W'}, "0°, 5 minutes and 0 seconds west"},
        {{R(10, 1), R(0, 0), R(1, 1), 'E'}, ""},
        {{R(0, 0), R(1, 1), R(1, 1), 'S'}, ""},
        {{R(10, 1), R(1, 1), R(1, 1), 0}, ""},
        {{R(10, 1), R(1, 1), R(1, 1), 'X'}, "10°, 1 minutes and 1 seconds "},
        {{R(33, 1), R(1, 2), R(0, 1), 'S'}, "33°, 0.5 minutes and 0 seconds south"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GPSCoordinateText(c.Coordinate), L(c.Text));
    }
}

TEST(ResolutionText, UnitWordsAndPresence) {
    EXPECT_EQ(ResolutionText({R(72, 1), R(72, 1), 2, true}), "72 x 72 inches");
    EXPECT_EQ(ResolutionText({R(72, 1), R(72, 1), 1, true}), "72 x 72 ");
    EXPECT_EQ(ResolutionText({R(300, 1), R(0, 0), 3, true}), "300 x 0 centimetres");
    EXPECT_EQ(ResolutionText({R(72, 1), R(72, 1), 2, false}), QString());
}

TEST(VersionText, AsciiDigitsAndBinaryBytes) {
    using V = std::array<quint8, 4>;
    EXPECT_EQ(VersionText(V{'0', '2', '2', '0'}, 1), L("2.20"));
    EXPECT_EQ(VersionText(V{'0', '2', '2', '1'}, 1), L("2.21"));
    EXPECT_EQ(VersionText(V{'0', '1', '0', '0'}, 1), L("1.00"));
    EXPECT_EQ(VersionText(V{'0', '0', '0', '0'}, 1), QString());
    EXPECT_EQ(VersionText(V{2, 2, 0, 0}, 0), L("2.20"));
    EXPECT_EQ(VersionText(V{0, 2, 0, 0}, 0), QString());
    EXPECT_EQ(VersionText(std::nullopt, 1), QString());
}

TEST(LoadStateText, ProblemsInOrder) {
    ExifDirectory all;
    all.BadOffset = all.BadTagCount = all.BadTagHeaders = true;
    EXPECT_EQ(LoadStateText(all), "No: bad IFD offset, bad tag count, one or more bad tag headers");
    ExifDirectory offsetAndCount;
    offsetAndCount.BadOffset = offsetAndCount.BadTagCount = true;
    EXPECT_EQ(LoadStateText(offsetAndCount), "No: bad IFD offset, bad tag count");
    EXPECT_EQ(LoadStateText(ExifDirectory{}, true), "No: bad image offset");
    EXPECT_EQ(LoadStateText(ExifDirectory{}), "Yes");
}

TEST(SmallTexts, IntegersLocationsYesNoByteOrderIso) {
    EXPECT_EQ(IntegerText(0), QString());
    EXPECT_EQ(IntegerText(-42), "-42");
    EXPECT_EQ(IntegerText(4294967295LL), "4294967295");
    EXPECT_EQ(SubjectLocationText(1024, 768), "(1024, 768)");
    EXPECT_EQ(SubjectLocationText(-1, -1), QString());
    EXPECT_EQ(SubjectLocationText(-1, 5), "(-1, 5)");
    EXPECT_EQ(YesNoText(true), "Yes");
    EXPECT_EQ(YesNoText(false), "No");
    EXPECT_EQ(ByteOrderText(ExifByteOrder::LittleEndian), "Intel (small endian)");
    EXPECT_EQ(ByteOrderText(ExifByteOrder::BigEndian), "Motorola (big endian)");
    EXPECT_EQ(ISOSpeedText({100}), "100");
    EXPECT_EQ(ISOSpeedText({100, 200, 400}), "100,200,400");
    EXPECT_EQ(ISOSpeedText({}), QString());
    EXPECT_EQ(UnrecognisedText(-3), "<Unrecognised (-3)>");
}

// One row per vocabulary and code: the listed words, the absent state and the unlisted codes.
struct VocabularyCase {
    const char* Name;
    std::function<QString()> Call;
    const char* Text;
};

TEST(Vocabularies, WordsAbsentAndUnrecognisedCodes) {
    using std::nullopt;
    const VocabularyCase cases[] = {
        {"ExposureProgram 0", [] { return ExposureProgramText(0); }, "Undefined"},
        {"ExposureProgram 8", [] { return ExposureProgramText(8); }, "Landscape"},
        {"ExposureProgram absent", [] { return ExposureProgramText(nullopt); }, ""},
        {"ExposureProgram 9", [] { return ExposureProgramText(9); }, "<Unrecognised (9)>"},
        {"ExposureProgram 300", [] { return ExposureProgramText(300); }, "<Unrecognised (300)>"},
        {"FileSource 0", [] { return FileSourceText(0); }, ""},
        {"FileSource 3", [] { return FileSourceText(3); }, "Digital camera"},
        {"FileSource 200", [] { return FileSourceText(200); }, "<Unrecognised (200)>"},
        {"FlashMode 0", [] { return FlashModeText(0); }, ""},
        {"FlashMode 3", [] { return FlashModeText(3); }, "Auto"},
        {"StrobeLight 0", [] { return StrobeLightText(0); }, "No detection function"},
        {"StrobeLight 2", [] { return StrobeLightText(2); }, "Detected"},
        {"GainControl 4", [] { return GainControlText(4); }, "High gain down"},
        {"AltitudeRef 0", [] { return AltitudeRefText(0); }, "above sea level"},
        {"AltitudeRef 1", [] { return AltitudeRefText(1); }, "below sea level"},
        {"AltitudeRef missing", [] { return AltitudeRefText(nullopt); }, ""},
        {"AltitudeRef 7", [] { return AltitudeRefText(7); }, "<Unrecognised (7)>"},
        {"GPSDifferential 1", [] { return GPSDifferentialText(1); }, "Correction applied"},
        {"MeasureMode 3", [] { return MeasureModeText('3'); }, "3D"},
        {"MeasureMode x", [] { return MeasureModeText('x'); }, ""},
        {"SpeedUnit k", [] { return SpeedUnitText('k'); }, "km/h"},
        {"SpeedUnit x", [] { return SpeedUnitText('x'); }, "km/h"},
        {"SpeedUnit n", [] { return SpeedUnitText('n'); }, "knots"},
        {"SpeedUnit M", [] { return SpeedUnitText('M'); }, "mph"},
        {"GPSStatus a", [] { return GPSStatusText('a'); }, "Measurement active/in progress"},
        {"GPSStatus V", [] { return GPSStatusText('V'); }, "Measurement void/in interop"},
        {"GPSStatus x", [] { return GPSStatusText('x'); }, ""},
        {"DirectionRef m", [] { return DirectionRefText('m'); }, "magnetic north"},
        {"DirectionRef missing", [] { return DirectionRefText(0); }, "true north"},
        {"DistanceUnit M", [] { return DistanceUnitText('M'); }, "miles"},
        {"DistanceUnit missing", [] { return DistanceUnitText(0); }, "kilometres"},
        {"LightSource 24", [] { return LightSourceText(24); }, "ISO studio tungsten"},
        {"LightSource 255", [] { return LightSourceText(255); }, "Other"},
        {"LightSource 16", [] { return LightSourceText(16); }, "<Unrecognised (16)>"},
        {"MeteringMode 2", [] { return MeteringModeText(2); }, "Centre weighted average"},
        {"MeteringMode 255", [] { return MeteringModeText(255); }, "<Unrecognised (255)>"},
        {"Orientation 0", [] { return OrientationText(0); }, ""},
        {"Orientation 3", [] { return OrientationText(3); }, "Rotate 180°"},
        {"Orientation 5", [] { return OrientationText(5); }, "Mirrow horizontal and rotate 270°"},
        {"Orientation 7", [] { return OrientationText(7); }, "Mirror hotizontal and rotate 90°"},
        {"Orientation 65535", [] { return OrientationText(65535); }, "<Unrecognised (65535)>"},
        {"Rendering 1", [] { return RenderingText(1); }, "Custom"},
        {"ResolutionUnit 1", [] { return ResolutionUnitText(1); }, ""},
        {"ResolutionUnit 3", [] { return ResolutionUnitText(3); }, "centimetres"},
        {"SceneCaptureType 3", [] { return SceneCaptureTypeText(3); }, "NightScene"},
        {"SceneType 0", [] { return SceneTypeText(0); }, ""},
        {"SceneType 1", [] { return SceneTypeText(1); }, "Directly photographed"},
        {"SensingMethod 4", [] { return SensingMethodText(4); }, "ThreeChip"},
        {"SensingMethod 6", [] { return SensingMethodText(6); }, "<Unrecognised (6)>"},
        {"SensingMethod 0", [] { return SensingMethodText(0); }, "<Unrecognised (0)>"},
        {"SubjectDistanceRange 3", [] { return SubjectDistanceRangeText(3); }, "Distant"},
        {"WhiteBalance 1", [] { return WhiteBalanceText(1); }, "Manual"},
        {"WhiteBalance absent", [] { return WhiteBalanceText(nullopt); }, ""},
        {"ColourSpace 1", [] { return ColourSpaceText(1); }, "RGB"},
        {"ColourSpace 65535", [] { return ColourSpaceText(65535); }, "Uncalibrated"},
        {"ColourSpace 2", [] { return ColourSpaceText(2); }, ""},
    };
    for (const VocabularyCase& c : cases) {
        EXPECT_EQ(c.Call(), QString::fromUtf8(c.Text)) << c.Name;
    }
}

TEST(FlashFields, CodesFromTheFlashValue) {
    EXPECT_EQ(FlashModeCode(0x59), 3);
    EXPECT_EQ(StrobeLightCode(0x59), 0);
    EXPECT_EQ(StrobeLightCode(0x02), 0);  // the reserved field counts as no detection
    EXPECT_EQ(StrobeLightCode(0x04), 1);
    EXPECT_EQ(StrobeLightCode(0x07), 2);
}

}  // namespace
