#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "BrowserLibrary.h"
#include "CommandLine.h"
#include "EXIFInformation.h"
#include "ErrorBoundary.h"
#include "InstanceName.h"
#include "OpenRequestQueue.h"
#include "Preview.h"
#include "ProgramIdentity.h"
#include "ProgressWindow.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "StartOptions.h"
#include "UnitMain.h"
#include "VersionInfo.h"

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

// How long a second start tries to reach the program that runs (it may be starting up or ending).
constexpr int HandOverPatienceMilliseconds = 20000;

}  // namespace

int main(int argc, char* argv[]) {
    const TCommandLine commandLine = ParseCommandLine(ProgramArguments(argc, argv), QDir::currentPath());
    if (const std::optional<int> status =
            AnswerWithoutStarting(commandLine, ReadFileVersion(QFile::decodeName(argv[0])))) {
        return *status;
    }
    TToolkitArgv toolkit(argv[0], commandLine.ToolkitArguments);
    QApplication application(toolkit.Count(), toolkit.Values());
    SetProgramIdentity();

    // One program for each user and display: a later start hands its paths to it and ends.
    TSingleInstance instance(InstanceSocketPath());
    switch (instance.Start(commandLine.Requests, QDeadlineTimer(HandOverPatienceMilliseconds))) {
        case TSingleInstance::TRole::HandedOver:
            return 0;
        case TSingleInstance::TRole::NoAnswer:
            // Said, then this start runs on its own: a program that hangs, or a lock someone else holds,
            // must not keep the operator from working.
            std::fputs(
                "orvalis: Orvalis is already running but does not answer; this start runs on its own.\n",
                stderr);
            QMessageBox::warning(
                nullptr, QStringLiteral("Orvalis"),
                QStringLiteral(
                    "Orvalis is already running but does not answer. This start runs on its own."));
            break;
        case TSingleInstance::TRole::Run:
        case TSingleInstance::TRole::OtherUsersProgram:
            break;
    }
    // This start's paths and those handed over later are opened once the main window is up, one
    // command line after the other.
    TOpenRequestQueue opening([](const TOpenRequests& requests) {
        if (FormMain != nullptr) {
            SwallowErrors([&] { FormMain->OpenFromCommandLine(requests); });
        }
    });
    QObject::connect(&instance, &TSingleInstance::OpenRequested,
                     [&opening](const TOpenRequests& requests) { opening.Push(requests); });
    if (!commandLine.Requests.isEmpty()) {
        opening.Push(commandLine.Requests);
    }
    RegisterTahoma();

    // The picture-format registry is a constant table, complete before anything runs; the browser
    // library is bound before any window exists.
    BrowserLibrary.Load();

    // The windows come into being in this order; the main window's start-up runs before the others
    // exist.
    FormMain = new TFormMain(BrowserLibrary);
    SwallowErrors([&] { FormMain->OpenBrowserAtCommandLine(commandLine.Requests); });
    FormPreview = new TFormPreview();
    FormMain->ConnectPreview(*FormPreview);
    FormProgress = new TFormProgress(FormMain);
    FormSettings = new TFormSettings(FormMain);
    FormEXIFInformation = new TFormEXIFInformation(FormMain);

    // Without a window manager a maximised window keeps its designed size; start from the whole
    // available screen so that the window fills it either way.
    FormMain->setGeometry(FormMain->screen()->availableGeometry());
    FormMain->showMaximized();
    QTimer::singleShot(0, &application, [&opening] { opening.Release(); });
    const int result = QApplication::exec();
    // Nothing handed over from here on could still be opened.
    instance.Stop();

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
