#include "Settings.h"

TFormSettings* FormSettings = nullptr;

TFormSettings::TFormSettings(QWidget* mainWindow) : QDialog(mainWindow) {
    setWindowTitle(QStringLiteral("Settings"));
    if (mainWindow != nullptr) {
        setWindowIcon(mainWindow->windowIcon());
    }
}
