// The presentation settings come from a file the user may have edited by hand. Whatever it holds, the
// loaded values stay inside their ranges, the display entry is the remembered monitor's (or none while it
// is not there), and saving them and loading again gives the same values.
#include "IniFile.h"
#include "SettingsValues.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool Within(int value, const TSpinRange& range) {
    return value >= range.Minimum && value <= range.Maximum;
}

// Up to three monitors of distinct names, some with a device that has a ';' in it.
QList<TMonitorInfo> Monitors(int count) {
    QList<TMonitorInfo> monitors;
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i + 1);
        monitors.append({TMonitorIdentity(QStringLiteral("M") + n, QStringLiteral("Maker;") + n,
                                          i % 2 == 0 ? QString() : QStringLiteral("Model\\") + n),
                         QRect(1920 * i, 0, 1920, 1080), QSize(1920, 1080)});
    }
    return monitors;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<TMonitorInfo> monitors = Monitors(size > 0 ? data[0] % 4 : 1);
    TSettingsValues values;
    LoadSettingsValues(TIniFile::FromBytes(QString(), bytes), values, monitors);

    Check(Within(values.SlideshowInterval, SlideshowIntervalRange));
    Check(values.Display >= -1 && values.Display <= monitors.size());
    if (!values.DisplayMonitor.IsEmpty()) {
        const int found = FindMonitor(monitors, values.DisplayMonitor);
        Check(values.Display == (found >= 0 ? found + 1 : -1));
    }
    Check(values.WatermarkPosition >= -1 && values.WatermarkPosition < WatermarkPositionCount);
    Check(Within(values.WatermarkXOffset, WatermarkOffsetRange) &&
          Within(values.WatermarkYOffset, WatermarkOffsetRange));
    Check(Within(values.TextOffsetStart, TextOffsetStartRange) && Within(values.TextLength, TextLengthRange));
    Check(Within(values.FontSizeMultiplier, FontSizeMultiplierRange));
    Check(values.WatermarkFont.Style >= 0 && values.WatermarkFont.Style <= 0xF);
    Check(!(values.AutomaticAdvance && values.ManualAdvance));

    TIniFile saved = TIniFile::FromBytes(QString(), bytes);
    SaveSettingsValues(saved, values);
    TSettingsValues reloaded;
    LoadSettingsValues(TIniFile::FromBytes(QString(), saved.ToBytes()), reloaded, monitors);
    Check(reloaded == values);
    return 0;
}
