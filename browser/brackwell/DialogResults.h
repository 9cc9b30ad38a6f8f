#pragma once

#include <QStringList>

#include "BrackwellApi.h"

namespace brackwell {

// The result record's memory belongs to the library: the names are allocated here and released here,
// whichever side asks for the release.

// Starts a record from scratch with the host's capacity and flags.
void InitResults(TOpenDialogResults& results, uint32_t capacity, uint32_t flags);

// Replaces what the record holds by `paths`: Accepted = 1, Count, FileName = the first path and
// FileNames = every path NUL-terminated one after another, ended by an empty name. An empty list
// leaves the record released and not accepted.
void StoreResults(TOpenDialogResults& results, const QStringList& paths);

// Frees the names and zeroes Accepted, FileName, Count and FileNames; a released or zeroed record is
// left as it is, so releasing twice is harmless.
void ReleaseResults(TOpenDialogResults& results) noexcept;

}  // namespace brackwell
