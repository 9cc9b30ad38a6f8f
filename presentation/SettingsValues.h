#pragma once

#include <QList>
#include <QString>

#include "monitors/MonitorIdentity.h"

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
    // The monitor the display choice named when it was made: the slideshow's monitor wherever it is in
    // the system's order, "Auto detect" while it is not there. Empty for "Auto detect".
    TMonitorIdentity DisplayMonitor;
    int WatermarkPosition = 3;  // 0 top left, 1 top right, 2 bottom left, 3 bottom right, -1 none
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
    // A show on another monitor opens the presenter window on the operator's.
    bool ShowPresenterView = true;

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
// clamped to their ranges (the font size too); a position outside 0 to 3 becomes -1 (no entry selected).
//
// The display choice is read in its own guard (any failure there selects "Auto detect") against the
// `monitors` there now. A remembered monitor decides: its entry is selected, or none (-1) while it is not
// there, and it stays remembered. A file without one (written before monitors were remembered) has the
// index alone: an index that names none of "Auto detect" and the monitors becomes -1, one that names a
// monitor remembers that monitor from now on.
void LoadSettingsValues(const TIniFile& file, TSettingsValues& values, const QList<TMonitorInfo>& monitors);

// The display entry that the choice names among `monitors` after they changed: the remembered monitor's
// entry, none (-1) while it is not there. Without a remembered monitor the index stays while it names an
// entry (and a monitor it names is remembered from now on), else it becomes -1.
void FollowDisplayChoice(TSettingsValues& values, const QList<TMonitorInfo>& monitors);
// The operator picks display entry `entry` of the list made from `monitors`: entry k remembers the k-th
// monitor, "Auto detect" (0) remembers none.
void PickDisplayEntry(TSettingsValues& values, int entry, const QList<TMonitorInfo>& monitors);

// Writes every setting in that order. The main window's own key in the same section is left alone.
void SaveSettingsValues(TIniFile& file, const TSettingsValues& values);
