#pragma once

#include <QLibrary>
#include <QStringList>

#include "brackwell/BrackwellApi.h"

// The binding to the file-browser library: loaded by name at start-up, its eight entry points resolved
// by name, released at the end. The binding is complete only when every entry point is present; an
// incomplete binding is never called.
class TBrowserLibrary {
public:
    TBrowserLibrary() = default;
    ~TBrowserLibrary();
    TBrowserLibrary(const TBrowserLibrary&) = delete;
    TBrowserLibrary& operator=(const TBrowserLibrary&) = delete;

    // Where the library is looked for: next to the program, in the program's installed library
    // folder, then by its bare name on the system's search path.
    static QStringList DefaultCandidates();

    // Tries the candidates in order and keeps the first library that loads. Returns Complete().
    bool Load(const QStringList& candidates = DefaultCandidates());
    bool Complete() const { return IsComplete; }
    QString FileName() const { return Library.fileName(); }
    void Release();

#define BRACKWELL_DECLARE_ENTRY(name) T##name name = nullptr;
    BRACKWELL_ENTRY_POINTS(BRACKWELL_DECLARE_ENTRY)
#undef BRACKWELL_DECLARE_ENTRY

private:
    void ResolveEntryPoints();
    void ClearEntryPoints();

    QLibrary Library;
    bool IsComplete = false;
};

// The program's one binding.
extern TBrowserLibrary BrowserLibrary;
