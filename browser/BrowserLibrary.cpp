#include "BrowserLibrary.h"

#include <QCoreApplication>
#include <QDir>

TBrowserLibrary BrowserLibrary;

TBrowserLibrary::~TBrowserLibrary() {
    Release();
}

QStringList TBrowserLibrary::DefaultCandidates() {
    const QString stem = QStringLiteral(BRACKWELL_LIBRARY_NAME);
    const QString fileName = QStringLiteral("lib") + stem + QStringLiteral(".so");
    QStringList candidates;
    if (QCoreApplication::instance() != nullptr) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        candidates << programDir.filePath(fileName)
                   << programDir.filePath(QStringLiteral("../lib/orvalis/") + fileName);
    }
    candidates << stem;
    return candidates;
}

bool TBrowserLibrary::Load(const QStringList& candidates) {
    Release();
    for (const QString& candidate : candidates) {
        Library.setFileName(candidate);
        if (Library.load()) {
            ResolveEntryPoints();
            return IsComplete;
        }
    }
    Library.setFileName(QString());
    return false;
}

void TBrowserLibrary::ResolveEntryPoints() {
#define BRACKWELL_RESOLVE_ENTRY(name) name = reinterpret_cast<T##name>(Library.resolve(#name));
    BRACKWELL_ENTRY_POINTS(BRACKWELL_RESOLVE_ENTRY)
#undef BRACKWELL_RESOLVE_ENTRY
    IsComplete = true;
#define BRACKWELL_CHECK_ENTRY(name) IsComplete = IsComplete && name != nullptr;
    BRACKWELL_ENTRY_POINTS(BRACKWELL_CHECK_ENTRY)
#undef BRACKWELL_CHECK_ENTRY
}

void TBrowserLibrary::ClearEntryPoints() {
#define BRACKWELL_CLEAR_ENTRY(name) name = nullptr;
    BRACKWELL_ENTRY_POINTS(BRACKWELL_CLEAR_ENTRY)
#undef BRACKWELL_CLEAR_ENTRY
    IsComplete = false;
}

void TBrowserLibrary::Release() {
    ClearEntryPoints();
    if (Library.isLoaded()) {
        Library.unload();
    }
}
