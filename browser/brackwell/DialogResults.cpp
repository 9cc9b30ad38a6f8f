#include "DialogResults.h"

#include <algorithm>
#include <memory>

namespace brackwell {

namespace {

// Copies the UTF-16 units of `text` and its terminating NUL to `out`; returns the next free unit.
char16_t* CopyTerminated(const QString& text, char16_t* out) {
    out = std::copy_n(text.utf16(), text.size(), out);
    *out = u'\0';
    return out + 1;
}

}  // namespace

void InitResults(TOpenDialogResults& results, uint32_t capacity, uint32_t flags) {
    results = TOpenDialogResults{};
    results.Capacity = capacity;
    results.InitFlags = flags;
}

void StoreResults(TOpenDialogResults& results, const QStringList& paths) {
    ReleaseResults(results);
    if (paths.isEmpty()) {
        return;
    }
    qsizetype units = 1;  // the empty name that ends the list
    for (const QString& path : paths) {
        units += path.size() + 1;
    }
    auto names = std::make_unique<char16_t[]>(units);
    char16_t* out = names.get();
    for (const QString& path : paths) {
        out = CopyTerminated(path, out);
    }
    *out = u'\0';
    auto first = std::make_unique<char16_t[]>(paths.first().size() + 1);
    CopyTerminated(paths.first(), first.get());

    results.Accepted = 1;
    results.Count = static_cast<uint32_t>(paths.size());
    results.FileName = first.release();
    results.FileNames = names.release();
}

void ReleaseResults(TOpenDialogResults& results) noexcept {
    delete[] results.FileName;
    delete[] results.FileNames;
    results.Accepted = 0;
    results.FileName = nullptr;
    results.Count = 0;
    results.FileNames = nullptr;
}

}  // namespace brackwell
