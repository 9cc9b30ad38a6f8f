// The library's entry points: the only symbols it exports. Each is a boundary that no exception
// crosses; the widgets they create must be made in the application's GUI thread.

#include <QApplication>
#include <QThread>

#include <type_traits>

#include "Boundary.h"
#include "BrackwellApi.h"
#include "BrowserPanel.h"
#include "DialogResults.h"
#include "FileDialogs.h"

#define BRACKWELL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace brackwell;

constexpr int32_t Done = 0;
constexpr int32_t Failed = -1;

// Widgets need a QApplication, and this thread must be the one it runs in.
bool InGuiThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return qobject_cast<const QApplication*>(application) != nullptr &&
           QThread::currentThread() == application->thread();
}

int32_t RunDialog(const char* where, TDialogKind kind, const TOpenDialogParams& params,
                  TOpenDialogResults* results) {
    return CatchAll(where, Failed, [&] {
        if (results == nullptr || !InGuiThread()) {
            return Failed;
        }
        RunFileDialog(kind, params, *results);
        return Done;
    });
}

}  // namespace

// The embedded browser when the host gives a parent window and a callback (returns at once; the
// browser reports through the callback), else a modal dialog.
BRACKWELL_EXPORT int32_t Brackwell_OpenDialog(TOpenDialogParams params, TOpenDialogResults* results) {
    if (params.ParentWindow == nullptr || params.Callback == nullptr) {
        const TDialogKind kind = params.SaveDialog != 0 ? TDialogKind::Save : TDialogKind::Open;
        return RunDialog("the open dialog", kind, params, results);
    }
    return CatchAll("opening the browser", Failed, [&] {
        if (!InGuiThread()) {
            return Failed;
        }
        TBrowserPanel::Open(params);
        return Done;
    });
}

BRACKWELL_EXPORT int32_t Brackwell_SaveDialog(TOpenDialogParams params, TOpenDialogResults* results) {
    return RunDialog("the save dialog", TDialogKind::Save, params, results);
}

BRACKWELL_EXPORT int32_t Brackwell_FolderDialog(TOpenDialogParams params, TOpenDialogResults* results) {
    return RunDialog("the folder dialog", TDialogKind::Folder, params, results);
}

// The library has no settings of its own to offer.
BRACKWELL_EXPORT int32_t Brackwell_SettingsWindow(void* /*parentWindow*/) {
    return Done;
}

BRACKWELL_EXPORT void Brackwell_InitTOpenDialogParams(TOpenDialogParams* params) {
    if (params != nullptr) {
        *params = TOpenDialogParams{};
    }
}

// The host owns the strings it puts into the record.
BRACKWELL_EXPORT void Brackwell_FreeTOpenDialogParams(TOpenDialogParams* /*params*/) {}

BRACKWELL_EXPORT void Brackwell_InitTOpenDialogResults(TOpenDialogResults* results, uint32_t capacity,
                                                       uint32_t flags) {
    if (results != nullptr) {
        InitResults(*results, capacity, flags);
    }
}

BRACKWELL_EXPORT void Brackwell_FreeTOpenDialogResults(TOpenDialogResults* results) {
    if (results != nullptr) {
        ReleaseResults(*results);
    }
}

// The definitions must keep the signatures the host resolves them by.
#define BRACKWELL_CHECK_SIGNATURE(name)                           \
    static_assert(std::is_same_v<decltype(&name), T##name>, #name \
                  " differs from its type in "                    \
                  "BrackwellApi.h");
BRACKWELL_ENTRY_POINTS(BRACKWELL_CHECK_SIGNATURE)
