#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

#include "brackwell/BrackwellApi.h"

class QWidget;
class TBrowserLibrary;

// What the embedded browser reports to the program.
class TBrowserHost {
public:
    virtual ~TBrowserHost() = default;
    // The operator chose files in the browser (in the browser's order).
    virtual void BrowserFilesChosen(const QStringList& fileNames) = 0;
    // The browser closed itself: the program closes its main window.
    virtual void BrowserClosed() = 0;
};

// Opens the embedded browser inside `panel`, offering files that match `filter`. The call returns at
// once; the browser then reports through BrowserCallback. Without a complete binding the panel says
// that the browser is unavailable instead, and false is returned.
bool OpenBrowserPanel(TBrowserLibrary& library, QWidget* panel, const QString& filter, TBrowserHost& host);

// Forgets the host and releases the result record the library filled at opening. Called when the host
// window goes away, before the library is released.
void CloseBrowserPanel();

// The browser's window as it reported it; null before it opened and after it is gone.
QWidget* BrowserWindow();

// The re-layout notice after the program's window changed size, and the close request at close; both
// wait until the browser has handled them. PostBrowserClose asks without waiting.
void SendBrowserRelayout();
void SendBrowserClose();
void PostBrowserClose();

// Asks the browser to show `folder`; a path that is no folder leaves it where it is.
void SendBrowserShowFolder(const QString& folder);

// The callback the library calls: (reserved, code, data, reserved).
int32_t BrowserCallback(void* reserved1, uint32_t code, void* data, void* reserved2);

// Runs one of the library's file dialogs (a save dialog when `save`) over files matching `filter`
// ("Description|*.ext"), remembering its folder under `dialogId`. Returns the chosen file name exactly
// as the dialog gives it, or nothing when the user cancels. Without a complete binding the platform's
// own file dialog stands in.
std::optional<QString> RunFileDialog(TBrowserLibrary& library, QWidget* parent, const QString& filter,
                                     const TBrackwellGuid& dialogId, bool save);

// The names of a result record: NUL-terminated strings one after another, ended by an empty string.
QStringList ChosenFileNames(const TOpenDialogResults& results);
