#pragma once

#include <QDialog>

// The settings dialog: editor and live store of the presentation settings.
class TFormSettings : public QDialog {
    Q_OBJECT
public:
    // Takes the main window's icon.
    explicit TFormSettings(QWidget* mainWindow);
};

extern TFormSettings* FormSettings;
