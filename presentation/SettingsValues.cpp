#include "SettingsValues.h"

#include "ErrorBoundary.h"
#include "IniFile.h"

namespace {

const QString Settings = QStringLiteral("Settings");
const QString Display = QStringLiteral("Display");

// The keys, as the settings file spells them.
const QString KeySlideshowInterval = QStringLiteral("SlideshowInterval");
const QString KeyDisplay = QStringLiteral("Use");
const QString KeyPosition = QStringLiteral("ComboBoxWatermarkPosition");
const QString KeyFontName = QStringLiteral("WatermarkFontName");
const QString KeyFontSize = QStringLiteral("WatermarkFontSize");
const QString KeyFontColor = QStringLiteral("WatermarkFontColor");
const QString KeyFontStyle = QStringLiteral("WatermarkFontStyle");
const QString KeyShadow = QStringLiteral("RadioButtonWatermarkShadow");
const QString KeyXOffset = QStringLiteral("SpinEditWatermarkXOffset");
const QString KeyYOffset = QStringLiteral("SpinEditWatermarkYOffset");
const QString KeyTextOffsetStart = QStringLiteral("SpinEditTextOffsetStart");
const QString KeyTextLength = QStringLiteral("SpinEditTextLength");
const QString KeyMultiplier = QStringLiteral("SpinEditFontSizeMuliplier");
const QString KeyUseWatermarking = QStringLiteral("CheckBoxUseWatermarking");
const QString KeyAutomaticAdvance = QStringLiteral("RadioButtonSlideShowAutomaticAdvance");
const QString KeyManualAdvance = QStringLiteral("RadioButtonSlideshowManualAdvance");

constexpr int StyleBits = 0xF;

int ListIndex(int stored, int entryCount) {
    return stored >= 0 && stored < entryCount ? stored : -1;
}

}  // namespace

void LoadSettingsValues(const TIniFile& file, TSettingsValues& values, int monitorCount) {
    const auto spin = [&](const QString& key, int& value, const TSpinRange& range) {
        value = range.Clamp(file.ReadInteger(Settings, key, value));
    };
    spin(KeySlideshowInterval, values.SlideshowInterval, SlideshowIntervalRange);

    values.Display = 0;
    SwallowErrors(
        [&] { values.Display = ListIndex(file.ReadInteger(Display, KeyDisplay, 0), monitorCount + 1); });

    values.WatermarkPosition = ListIndex(file.ReadInteger(Settings, KeyPosition, 3), WatermarkPositionCount);
    values.WatermarkFont.Name = file.ReadString(Settings, KeyFontName, QStringLiteral("Tahoma"));
    values.WatermarkFont.Size = WatermarkFontSizeRange.Clamp(file.ReadInteger(Settings, KeyFontSize, 8));
    values.WatermarkFont.Color = file.ReadInteger(Settings, KeyFontColor, 0xFFFFFF);
    values.WatermarkFont.Style =
        file.ReadInteger(Settings, KeyFontStyle, values.WatermarkFont.Style) & StyleBits;
    values.WatermarkShadow = file.ReadBool(Settings, KeyShadow, values.WatermarkShadow);
    spin(KeyXOffset, values.WatermarkXOffset, WatermarkOffsetRange);
    spin(KeyYOffset, values.WatermarkYOffset, WatermarkOffsetRange);
    spin(KeyTextOffsetStart, values.TextOffsetStart, TextOffsetStartRange);
    spin(KeyTextLength, values.TextLength, TextLengthRange);
    spin(KeyMultiplier, values.FontSizeMultiplier, FontSizeMultiplierRange);
    values.UseWatermarking = file.ReadBool(Settings, KeyUseWatermarking, values.UseWatermarking);

    // The two advance buttons form one radio group: checking one clears the other, clearing one leaves
    // the other as it is, and the manual one is applied last.
    const bool automatic = file.ReadBool(Settings, KeyAutomaticAdvance, values.AutomaticAdvance);
    values.AutomaticAdvance = automatic;
    if (automatic) {
        values.ManualAdvance = false;
    }
    const bool manual = file.ReadBool(Settings, KeyManualAdvance, values.ManualAdvance);
    values.ManualAdvance = manual;
    if (manual) {
        values.AutomaticAdvance = false;
    }
}

void SaveSettingsValues(TIniFile& file, const TSettingsValues& values) {
    file.WriteInteger(Settings, KeySlideshowInterval, values.SlideshowInterval);
    file.WriteInteger(Display, KeyDisplay, values.Display);
    file.WriteInteger(Settings, KeyPosition, values.WatermarkPosition);
    file.WriteString(Settings, KeyFontName, values.WatermarkFont.Name);
    file.WriteInteger(Settings, KeyFontSize, values.WatermarkFont.Size);
    file.WriteInteger(Settings, KeyFontColor, values.WatermarkFont.Color);
    file.WriteInteger(Settings, KeyFontStyle, values.WatermarkFont.Style);
    file.WriteBool(Settings, KeyShadow, values.WatermarkShadow);
    file.WriteInteger(Settings, KeyXOffset, values.WatermarkXOffset);
    file.WriteInteger(Settings, KeyYOffset, values.WatermarkYOffset);
    file.WriteInteger(Settings, KeyTextOffsetStart, values.TextOffsetStart);
    file.WriteInteger(Settings, KeyTextLength, values.TextLength);
    file.WriteInteger(Settings, KeyMultiplier, values.FontSizeMultiplier);
    file.WriteBool(Settings, KeyUseWatermarking, values.UseWatermarking);
    file.WriteBool(Settings, KeyAutomaticAdvance, values.AutomaticAdvance);
    file.WriteBool(Settings, KeyManualAdvance, values.ManualAdvance);
}
