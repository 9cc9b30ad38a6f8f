#pragma once

#include <QString>

#include <optional>

// The words for EXIF codes, fixed English as the window shows them. A 16-bit code that is absent
// (missing tag, or a stored 65535) is std::nullopt; each function says which codes give the empty text.
// Codes that a table does not list give "<Unrecognised (code)>" where the function says so.

QString ExposureProgramText(std::optional<int> code);  // absent: empty; others unrecognised
QString FileSourceText(int code);                      // 0: empty; others unrecognised
QString FlashModeText(int code);                       // bits 3 and 4 of Flash; 0: empty
QString StrobeLightText(int code);                     // 0 no detection, 1 undetected, 2 detected
QString GainControlText(std::optional<int> code);
QString AltitudeRefText(std::optional<int> code);  // a stored 0 is a code; only a missing tag is empty
QString GPSDifferentialText(std::optional<int> code);
QString MeasureModeText(char c);
QString SpeedUnitText(char c);
QString GPSStatusText(char c);
QString DirectionRefText(char c);
QString DistanceUnitText(char c);
QString LightSourceText(std::optional<int> code);
QString MeteringModeText(std::optional<int> code);
QString OrientationText(int code);  // read unsigned; 0 (also missing): empty
QString RenderingText(std::optional<int> code);
QString ResolutionUnitText(int code);  // only 2 and 3 have words
QString SceneCaptureTypeText(std::optional<int> code);
QString SceneTypeText(int code);  // 0: empty
QString SensingMethodText(std::optional<int> code);
QString SubjectDistanceRangeText(std::optional<int> code);
QString WhiteBalanceText(std::optional<int> code);
QString ColourSpaceText(int code);  // read unsigned: "RGB" for 1, "Uncalibrated" for 65535, else empty

// The strobe-return field (bits 1 and 2 of Flash) as the code StrobeLightText takes.
int StrobeLightCode(qint64 flash);
// The firing-mode field (bits 3 and 4 of Flash) as the code FlashModeText takes.
int FlashModeCode(qint64 flash);
