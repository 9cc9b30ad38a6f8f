#pragma once

#include <QString>

#include "BrackwellApi.h"

namespace brackwell {

// Each dialog and browser identifier remembers the folder it was last left in, in the library's own
// settings file (Quenmark/Brackwell.ini in the user's configuration folder).

// The identifier as settings key: "1421B16D-DC34-4B24-B32D-6F95D0F0BF56".
QString DialogKey(const TBrackwellGuid& id);

// The remembered folder when it still exists, else the user's home.
QString StartFolder(const TBrackwellGuid& id);

// An empty folder is not remembered.
void RememberFolder(const TBrackwellGuid& id, const QString& folder);

}  // namespace brackwell
