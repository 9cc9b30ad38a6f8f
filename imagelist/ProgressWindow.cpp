#include "ProgressWindow.h"

TFormProgress* FormProgress = nullptr;

TFormProgress::TFormProgress(QWidget* mainWindow) : QDialog(mainWindow) {
    setWindowTitle(QStringLiteral("Progress"));
    if (mainWindow != nullptr) {
        setWindowIcon(mainWindow->windowIcon());
    }
}
