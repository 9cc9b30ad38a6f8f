#pragma once

#include <QDialog>

// The progress window of the long adding loops; one instance for the whole run.
class TFormProgress : public QDialog {
    Q_OBJECT
public:
    // Takes the main window's icon.
    explicit TFormProgress(QWidget* mainWindow);
};

extern TFormProgress* FormProgress;
