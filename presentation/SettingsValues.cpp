#include "SettingsValues.h"

#include "ErrorBoundary.h"
#include "IniFile.h"

namespace {

const QString Settings = QStringLiteral("Settings");
const QString Display = QStringLiteral("Display");

// The keys, as the settings file spells them.
const QString KeySlideshowInterval = QStringLiteral("SlideshowInterval");
const QString KeyDisplay = QStringLiteral("Use");
const QString KeyMonitor = QStringLiteral("Monitor");
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
const QString KeyShowPresenterView = QStringLiteral("CheckBoxShowPresenterView");

constexpr int StyleBits = 0xF;

int ListIndex(int stored, int entryCount) {
    return stored >= 0 && stored < entryCount ? stored : -1;
}

// The display choice of the file: the remembered monitor, or the index alone in an older file.
void LoadDisplayChoice(const TIniFile& file, TSettingsValues& values, const QList<TMonitorInfo>& monitors) {
    TSettingsValues read;
    read.DisplayMonitor = ParseMonitorIdentity(file.ReadString(Display, KeyMonitor, QString()));
    read.Display = read.DisplayMonitor.IsEmpty() ? file.ReadInteger(Display, KeyDisplay, 0) : 0;
    FollowDisplayChoice(read, monitors);
    values.Display = read.Display;
    values.DisplayMonitor = read.DisplayMonitor;
}

}  // namespace

void LoadSettingsValues(const TIniFile& file, TSettingsValues& values, const QList<TMonitorInfo>& monitors) {
    const auto spin = [&](const QString& key, int& value, const TSpinRange& range) {
        value = range.Clamp(file.ReadInteger(Settings, key, value));
    };
    spin(KeySlideshowInterval, values.SlideshowInterval, SlideshowIntervalRange);

    values.Display = 0;
    values.DisplayMonitor = TMonitorIdentity();
    SwallowErrors([&] { LoadDisplayChoice(file, values, monitors); });

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
    values.ShowPresenterView = file.ReadBool(Settings, KeyShowPresenterView, values.ShowPresenterView);
}

void FollowDisplayChoice(TSettingsValues& values, const QList<TMonitorInfo>& monitors) {
    if (!values.DisplayMonitor.IsEmpty()) {
        const int found = FindMonitor(monitors, values.DisplayMonitor);
        values.Display = found >= 0 ? found + 1 : -1;
        return;
    }
    values.Display = ListIndex(values.Display, int(monitors.size()) + 1);
    if (values.Display > 0) {
        values.DisplayMonitor = monitors[values.Display - 1].Identity;
    }
}

void PickDisplayEntry(TSettingsValues& values, int entry, const QList<TMonitorInfo>& monitors) {
    values.Display = entry;
    values.DisplayMonitor =
        entry > 0 && entry <= monitors.size() ? monitors[entry - 1].Identity : TMonitorIdentity();
}

void SaveSettingsValues(TIniFile& file, const TSettingsValues& values) {
    file.WriteInteger(Settings, KeySlideshowInterval, values.SlideshowInterval);
    file.WriteInteger(Display, KeyDisplay, values.Display);
    file.WriteString(Display, KeyMonitor, MonitorIdentityText(values.DisplayMonitor));
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
    file.WriteBool(Settings, KeyShowPresenterView, values.ShowPresenterView);
}
