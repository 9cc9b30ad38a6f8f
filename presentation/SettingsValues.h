#pragma once

#include <QString>

class TIniFile;

// The watermark's font as the settings keep it: colour as 0x00BBGGRR (red in the low byte), style as
// bits 1 bold, 2 italic, 4 underline, 8 strike-out.
struct TWatermarkFont {
    QString Name = QStringLiteral("Tahoma");
    int Size = 8;          // points
    int Color = 0xFFFFFF;  // white
    int Style = 0;         // regular

    friend bool operator==(const TWatermarkFont&, const TWatermarkFont&) = default;
};

// Every presentation setting, as the settings dialog holds it. The initial values are the dialog's
// design values.
struct TSettingsValues {
    int SlideshowInterval = 10;  // seconds
    int Display = 0;             // 0 "Auto detect", k the k-th monitor, -1 no entry selected
    int WatermarkPosition = 3;   // 0 top left, 1 top right, 2 bottom left, 3 bottom right, -1 none
    TWatermarkFont WatermarkFont;
    bool WatermarkShadow = true;
    int WatermarkXOffset = 0;
    int WatermarkYOffset = 0;
    int TextOffsetStart = 5;
    int TextLength = 4;
    int FontSizeMultiplier = 3;
    bool UseWatermarking = false;
    bool AutomaticAdvance = true;
    bool ManualAdvance = false;

    friend bool operator==(const TSettingsValues&, const TSettingsValues&) = default;
};

// The range of a spin field; every value put into one is clamped to it.
struct TSpinRange {
    int Minimum;
    int Maximum;
    int Clamp(int value) const { return value < Minimum ? Minimum : (value > Maximum ? Maximum : value); }
};

inline constexpr TSpinRange SlideshowIntervalRange{1, 60000};
inline constexpr TSpinRange WatermarkOffsetRange{-1000, 1000};
inline constexpr TSpinRange TextOffsetStartRange{0, 256};
inline constexpr TSpinRange TextLengthRange{1, 255};
inline constexpr TSpinRange FontSizeMultiplierRange{1, 10};
// The point sizes a watermark font can have: those the font dialog offers. A settings file may hold any
// number; it is clamped on load, so that the size times the multiplier stays a size a font can be.
inline constexpr TSpinRange WatermarkFontSizeRange{1, 512};
inline constexpr int WatermarkPositionCount = 4;

// Reads every setting from the file in the order they are written. Settings whose default is a design
// value take the value they hold now as their default, so a key missing from the file keeps an unsaved
// edit; the display choice, position and font name, size and colour have fixed defaults. Numbers are
// clamped to their ranges (the font size too); a display index that names none of "Auto detect" and the
// `monitorCount` monitors, or a position outside 0 to 3, becomes -1 (no entry selected). The display choice
// is read in its own guard: any failure there selects "Auto detect".
void LoadSettingsValues(const TIniFile& file, TSettingsValues& values, int monitorCount);

// Writes every setting in that order. The main window's own key in the same section is left alone.
void SaveSettingsValues(TIniFile& file, const TSettingsValues& values);
