#pragma once

// The interface of the Brackwell file-browser library: its records, its callback, its entry points and
// the codes that pass between it and its host. The library is loaded at run time by name; the host
// resolves the entry points listed at the end of this file.
//
// Records keep the field order of the original 32-bit layout; pointers and window handles have this
// platform's native size (so the records are larger than 76 and 40 bytes here). A window handle is the
// address of a QWidget living in the GUI thread. Texts are NUL-terminated UTF-16.

#include <cstdint>

extern "C" {

struct TBrackwellGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

// The host's callback: (reserved, code, data, reserved). The result is ignored by the library.
typedef int32_t (*TBrackwellCallback)(void* reserved1, uint32_t code, void* data, void* reserved2);

// What to open. Unnamed fields are 0.
struct TOpenDialogParams {
    uint32_t Reserved0;             // 0
    uint32_t Reserved4;             // 4
    const char16_t* Filter;         // 8: "Description|*.a;*.b" (one description, then patterns)
    uint32_t FilterIndex;           // 12: 1 for the dialogs, 0 for the embedded browser
    uint32_t Reserved16;            // 16
    uint32_t Reserved20;            // 20
    uint32_t Options;               // 24: BRACKWELL_BROWSER_OPTIONS for the embedded browser
    uint32_t Reserved28;            // 28
    const char16_t* ActionCaption;  // 32: caption of the action that reports the chosen files
    void* ParentWindow;             // 36: the widget that hosts the embedded browser
    TBrackwellGuid DialogId;        // 40: remembers the last folder per identifier
    TBrackwellCallback Callback;    // 56: set for the embedded browser
    uint8_t SaveDialog;             // 60: 1 for a save dialog
    int32_t ViewOptions;            // 64: -1 for the embedded browser
    uint32_t Reserved68;            // 68
    uint32_t Reserved72;            // 72
};

// What was chosen. The library owns the memory behind the pointers; the host releases it with
// Brackwell_FreeTOpenDialogResults.
struct TOpenDialogResults {
    uint32_t Accepted;    // 0: non-zero when the user confirmed
    char16_t* FileName;   // 4: the chosen file (first of several)
    uint32_t Capacity;    // 8: set by Brackwell_InitTOpenDialogResults
    uint32_t InitFlags;   // 12: set by Brackwell_InitTOpenDialogResults
    uint32_t Count;       // 16: number of chosen files
    char16_t* FileNames;  // 20: the chosen names one after another, ended by an empty name
    uint32_t Reserved24;  // 24
    uint32_t Reserved28;  // 28
    uint32_t Reserved32;  // 32
    uint32_t Reserved36;  // 36
};

typedef int32_t (*TBrackwell_OpenDialog)(TOpenDialogParams params, TOpenDialogResults* results);
typedef int32_t (*TBrackwell_SaveDialog)(TOpenDialogParams params, TOpenDialogResults* results);
typedef int32_t (*TBrackwell_FolderDialog)(TOpenDialogParams params, TOpenDialogResults* results);
typedef int32_t (*TBrackwell_SettingsWindow)(void* parentWindow);
typedef void (*TBrackwell_InitTOpenDialogParams)(TOpenDialogParams* params);
typedef void (*TBrackwell_FreeTOpenDialogParams)(TOpenDialogParams* params);
typedef void (*TBrackwell_InitTOpenDialogResults)(TOpenDialogResults* results, uint32_t capacity,
                                                  uint32_t flags);
typedef void (*TBrackwell_FreeTOpenDialogResults)(TOpenDialogResults* results);

}  // extern "C"

// The library's file name stem: the host loads "Brackwell" (libBrackwell.so).
#define BRACKWELL_LIBRARY_NAME "Brackwell"

// Callback codes, library to host.
enum : uint32_t {
    BRACKWELL_FILES_CHOSEN = 0x802,   // data: TOpenDialogResults* with Count and FileNames
    BRACKWELL_RESULTS_DONE = 0x804,   // data: the same record, to be released by the host
    BRACKWELL_CLOSED = 0x805,         // data: none; the browser closed itself, the host should close
    BRACKWELL_WINDOW_OPENED = 0x806,  // data: the browser's window handle (QWidget*)
};

// Event types, host to the browser's window (sent with QCoreApplication::sendEvent or posted).
enum : int {
    BRACKWELL_RELAYOUT_EVENT = 0x807,  // the host resized: lay the browser out again
};
// The close request is a QCloseEvent sent to the browser's window. A QFileOpenEvent with a folder's path,
// sent to the browser's window, shows that folder; a path that is no folder leaves the browser where it is.

// Options of the embedded browser, as the host passes them.
inline constexpr uint32_t BRACKWELL_BROWSER_OPTIONS = 0x05C00040;

// The entry point names, resolved by the host.
#define BRACKWELL_ENTRY_POINTS(X)       \
    X(Brackwell_OpenDialog)             \
    X(Brackwell_SaveDialog)             \
    X(Brackwell_FolderDialog)           \
    X(Brackwell_SettingsWindow)         \
    X(Brackwell_InitTOpenDialogParams)  \
    X(Brackwell_FreeTOpenDialogParams)  \
    X(Brackwell_InitTOpenDialogResults) \
    X(Brackwell_FreeTOpenDialogResults)
