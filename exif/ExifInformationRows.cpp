#include "ExifInformationRows.h"

#include "ExifDerived.h"
#include "ExifFormatters.h"
#include "ExifVocabularies.h"

namespace {

constexpr auto Main = ExifDirectoryKind::Main;
constexpr auto Sub = ExifDirectoryKind::ExifSub;
constexpr auto Interop = ExifDirectoryKind::Interoperability;
constexpr auto Gps = ExifDirectoryKind::Gps;
constexpr auto Thumb = ExifDirectoryKind::Thumbnail;

class RowList {
public:
    explicit RowList(const ExifReader& reader) : Reader(reader) {}

    void Heading(const char* caption) { Rows.append({QString::fromUtf8(caption), {}}); }
    void Value(const char* label, const QString& value) {
        if (!value.isEmpty()) {
            Rows.append({QStringLiteral("   ") + QString::fromUtf8(label), value});
        }
    }
    // A directory's group: shown when it holds a tag or has a problem flag.
    bool Group(const char* caption, ExifDirectoryKind kind) {
        const ExifDirectory& directory = Reader.Directory(kind);
        if (directory.TagCount() == 0 && !directory.HasProblems()) {
            return false;
        }
        Heading(caption);
        Value("Loaded cleanly", LoadStateText(directory, kind == Thumb && Reader.ThumbnailJpeg().isEmpty()));
        return true;
    }

    const ExifReader& Reader;
    QList<TExifRow> Rows;
};

void MainRows(RowList& rows, const ExifReader& r) {
    rows.Value("Camera make", r.AsciiText(Main, 0x010F));
    rows.Value("Camera model", r.AsciiText(Main, 0x0110));
    rows.Value("Software", r.AsciiText(Main, 0x0131));
    rows.Value("Date/time", DateTimeText(r.DateTime(Main, 0x0132)));
    rows.Value("Image description", r.AsciiText(Main, 0x010E));
    rows.Value("Copyright", r.AsciiText(Main, 0x8298));
    rows.Value("Orientation", OrientationText(r.UnsignedCode16(Main, 0x0112, 0)));
    rows.Value("Resolution", ResolutionText(r.Resolution(Main, 0x011A, 0x011B, 0x0128)));
    rows.Value("Author", ExifAuthor(r));
    rows.Value("Comments", ExifComments(r));
    rows.Value("Keywords", r.XPText(0x9C9E));
    rows.Value("Subject", r.XPText(0x9C9F));
    rows.Value("Title", r.XPText(0x9C9B));
}

void FlashRows(RowList& rows, const ExifReader& r) {
    if (!ExifHasFlashRows(r)) {
        return;
    }
    const qint64 flash = ExifFlashValue(r);
    rows.Value("Flash present", YesNoText((flash & 0x20) == 0));
    rows.Value("Flash mode", FlashModeText(FlashModeCode(flash)));
    rows.Value("Flash fired", YesNoText(flash & 0x01));
    rows.Value("Flash red eye reduction", YesNoText(flash & 0x40));
    rows.Value("Flash strobe energy", UnsignedRationalText(r.Rational(Sub, 0xA20B), {}));
    rows.Value("Flash strobe light", StrobeLightText(StrobeLightCode(flash)));
}

void ExifSubRows(RowList& rows, const ExifReader& r) {
    const auto rational = [&](quint16 tag) { return UnsignedRationalText(r.Rational(Sub, tag), {}); };
    rows.Value("Exif version", VersionText(r.Version(Sub, 0x9000), 1));
    rows.Value("Aperture value", rational(0x9202));
    rows.Value("Brightness value", SignedRationalText(r.Rational(Sub, 0x9203)));
    rows.Value("Colour space", ColourSpaceText(r.UnsignedCode16(Sub, 0xA001, 0)));
    rows.Value("Compressed bits per pixel", rational(0x9102));
    rows.Value("Date/time original", DateTimeText(r.DateTime(Sub, 0x9003)));
    rows.Value("Date/time digitised", DateTimeText(r.DateTime(Sub, 0x9004)));
    rows.Value("Digital zoom ratio", rational(0xA404));
    rows.Value("Exif image width", IntegerText(r.Integer(Sub, 0xA002)));
    rows.Value("Exif image height", IntegerText(r.Integer(Sub, 0xA003)));
    rows.Value("Exposure programme", ExposureProgramText(r.Code16(Sub, 0x8822)));
    rows.Value("Exposure time", UnsignedRationalText(r.Rational(Sub, 0x829A), QStringLiteral("seconds")));
    rows.Value("Exposure index", rational(0xA215));
    rows.Value("Exposure bias value", SignedRationalText(r.Rational(Sub, 0x9204)));
    rows.Value("File source", FileSourceText(r.Code8(Sub, 0xA300).value_or(0)));
    FlashRows(rows, r);
    rows.Value("F number", rational(0x829D));
    rows.Value("Focal length", rational(0x920A));
    rows.Value("Focal length in 35mm film", IntegerText(r.UnsignedCode16(Sub, 0xA405, 0)));
    rows.Value("Focal plane resolution", ResolutionText(r.Resolution(Sub, 0xA20E, 0xA20F, 0xA210)));
    rows.Value("Gain control", GainControlText(r.Code16(Sub, 0xA407)));
    rows.Value("Image unique ID", r.AsciiText(Sub, 0xA420));
    const int isoType = r.TypeOf(Sub, 0x8827);
    rows.Value("ISO speed rating(s)",
               ISOSpeedText(isoType == ExifShort || isoType == ExifSByte ? r.Integers(Sub, 0x8827)
                                                                         : QList<qint64>()));
    rows.Value("Light source", LightSourceText(r.Code16(Sub, 0x9208)));
    rows.Value("MakerNote data offset", IntegerText(r.Integer(Sub, 0xEA1D)));
    rows.Value("Max aperture value", rational(0x9205));
    rows.Value("Metering mode", MeteringModeText(r.Code16(Sub, 0x9207)));
    rows.Value("Related sound file", r.AsciiText(Sub, 0xA004));
    rows.Value("Rendering", RenderingText(r.Code16(Sub, 0xA401)));
    rows.Value("Scene capture type", SceneCaptureTypeText(r.Code16(Sub, 0xA406)));
    rows.Value("Scene type", SceneTypeText(r.Code8(Sub, 0xA301).value_or(0)));
    rows.Value("Sensing method", SensingMethodText(r.Code16(Sub, 0xA217)));
    rows.Value("Shutter speed", ShutterSpeedText(r.Rational(Sub, 0x9201)));
    rows.Value("Subject distance", rational(0x9206));
    rows.Value("Spectral sensitivity", r.AsciiText(Sub, 0x8824));
    rows.Value("Subject distance range", SubjectDistanceRangeText(r.Code16(Sub, 0xA40C)));
    const auto [x, y] = ExifSubjectLocation(r);
    rows.Value("Subject location", SubjectLocationText(x, y));
    rows.Value("White balance mode", WhiteBalanceText(r.Code16(Sub, 0xA403)));
}

void GpsRows(RowList& rows, const ExifReader& r) {
    const auto withUnit = [&](quint16 tag, const QString& unit) {
        return UnsignedRationalText(r.Rational(Gps, tag), unit);
    };
    const auto character = [&](quint16 tag) { return r.FirstCharacter(Gps, tag); };
    rows.Value("GPS version", VersionText(r.Version(Gps, 0), 0));
    rows.Value("GPS date/time (UTC)", DateTimeText(ExifGpsDateTime(r)));
    rows.Value("GPS latitude", GPSCoordinateText(r.Coordinate(2, 1)));
    rows.Value("GPS longitude", GPSCoordinateText(r.Coordinate(4, 3)));
    rows.Value("GPS altitude", withUnit(6, QStringLiteral("metres ") + AltitudeRefText(r.Code8(Gps, 5))));
    rows.Value("GPS satellites", r.AsciiText(Gps, 8));
    rows.Value("GPS status", GPSStatusText(character(9)));
    rows.Value("GPS measure mode", MeasureModeText(character(10)));
    rows.Value("GPS DOP", withUnit(11, {}));
    rows.Value("GPS speed", withUnit(13, SpeedUnitText(character(12))));
    rows.Value("GPS track", withUnit(15, DirectionRefText(character(14))));
    rows.Value("GPS image direction", withUnit(17, DirectionRefText(character(16))));
    rows.Value("GPS map datum", r.AsciiText(Gps, 18));
    rows.Value("GPS destination latitude", GPSCoordinateText(r.Coordinate(20, 19)));
    rows.Value("GPS destination longitude", GPSCoordinateText(r.Coordinate(22, 21)));
    rows.Value("GPS destination bearing", withUnit(24, DirectionRefText(character(23))));
    rows.Value("GPS destination distance", withUnit(26, DistanceUnitText(character(25))));
    rows.Value("GPS differential", GPSDifferentialText(r.Code16(Gps, 30)));
}

}  // namespace

QList<TExifRow> ExifInformationRows(const ExifReader& reader) {
    RowList rows(reader);
    if (reader.IsEmpty()) {
        rows.Heading("No Exif metadata found");
        return rows.Rows;
    }
    rows.Heading("General");
    rows.Value("Byte order", ByteOrderText(reader.ByteOrder()));
    if (rows.Group("Main IFD", Main)) {
        MainRows(rows, reader);
    }
    if (rows.Group("Exif sub-IFD", Sub)) {
        ExifSubRows(rows, reader);
    }
    if (rows.Group("Interoperability sub-IFD", Interop)) {
        rows.Value("Interoperability type", reader.AsciiText(Interop, 0x0001));
        rows.Value("Interoperability version", VersionText(reader.Version(Interop, 0x0002), 1));
    }
    if (rows.Group("GPS sub-IFD", Gps)) {
        GpsRows(rows, reader);
    }
    if (rows.Group("Thumbnail IFD", Thumb)) {
        rows.Value("Thumbnail orientation", OrientationText(reader.UnsignedCode16(Thumb, 0x0112, 0)));
        rows.Value("Thumbnail resolution", ResolutionText(reader.Resolution(Thumb, 0x011A, 0x011B, 0x0128)));
    }
    return rows.Rows;
}
