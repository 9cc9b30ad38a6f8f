#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QScreen>

#include "BrowserLibrary.h"
#include "EXIFInformation.h"
#include "Preview.h"
#include "ProgressWindow.h"
#include "Settings.h"
#include "UnitMain.h"

namespace {

// Tahoma comes with Debian's wine fonts, in a folder fontconfig does not scan; register it when present
// so that the program's texts look as designed. Without it Qt falls back to DejaVu Sans.
void RegisterTahoma() {
    const QDir wineFonts(QStringLiteral("/usr/share/wine/fonts"));
    for (const QString& name : {QStringLiteral("tahoma.ttf"), QStringLiteral("tahomabd.ttf")}) {
        if (QFile::exists(wineFonts.filePath(name))) {
            QFontDatabase::addApplicationFont(wineFonts.filePath(name));
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvalis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvalis"));
    QApplication::setOrganizationName(QStringLiteral("Quenmark"));
    RegisterTahoma();

    // The picture-format registry is a constant table, complete before anything runs; the browser
    // library is bound before any window exists.
    BrowserLibrary.Load();

    // The windows come into being in this order; the main window's start-up runs before the others
    // exist.
    FormMain = new TFormMain(BrowserLibrary);
    FormPreview = new TFormPreview();
    FormMain->ConnectPreview(*FormPreview);
    FormProgress = new TFormProgress(FormMain);
    FormSettings = new TFormSettings(FormMain);
    FormEXIFInformation = new TFormEXIFInformation(FormMain);

    // Without a window manager a maximised window keeps its designed size; start from the whole
    // available screen so that the window fills it either way.
    FormMain->setGeometry(FormMain->screen()->availableGeometry());
    FormMain->showMaximized();
    const int result = QApplication::exec();

    delete FormEXIFInformation;
    FormEXIFInformation = nullptr;
    delete FormSettings;
    FormSettings = nullptr;
    delete FormProgress;
    FormProgress = nullptr;
    delete FormPreview;
    FormPreview = nullptr;
    delete FormMain;
    FormMain = nullptr;

    BrowserLibrary.Release();
    return result;
}
