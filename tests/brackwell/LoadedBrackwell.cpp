#include "LoadedBrackwell.h"

#include <QLibrary>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

namespace {

std::optional<TBrackwellLibrary> Load() {
    // QLibrary keeps the library loaded for the rest of the run.
    QLibrary library(QStringLiteral(ORVALIS_BIN_DIR "/" BRACKWELL_LIBRARY_NAME));
    if (!library.load()) {
        ADD_FAILURE() << library.errorString().toStdString();
        return std::nullopt;
    }
    TBrackwellLibrary entries;
    bool complete = true;
#define BRACKWELL_RESOLVE(name)                                       \
    entries.name = reinterpret_cast<T##name>(library.resolve(#name)); \
    if (entries.name == nullptr) {                                    \
        ADD_FAILURE() << "missing entry point " #name;                \
        complete = false;                                             \
    }
    BRACKWELL_ENTRY_POINTS(BRACKWELL_RESOLVE)
#undef BRACKWELL_RESOLVE
    if (!complete) {
        return std::nullopt;
    }
    return entries;
}

}  // namespace

const TBrackwellLibrary* Brackwell() {
    static const std::optional<TBrackwellLibrary> library = Load();
    EXPECT_TRUE(library.has_value()) << "libBrackwell.so is not usable";
    return library ? &*library : nullptr;
}

QStringList ChosenNames(const TOpenDialogResults& results) {
    QStringList names;
    for (const char16_t* name = results.FileNames; name != nullptr && *name != u'\0';
         name += names.constLast().size() + 1) {
        names.append(QString::fromUtf16(name));
    }
    return names;
}
