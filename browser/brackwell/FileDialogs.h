#pragma once

#include "BrackwellApi.h"

namespace brackwell {

enum class TDialogKind { Open, Save, Folder };

// Runs a modal file or folder dialog that starts in the folder remembered for params.DialogId. On
// accept the record holds the chosen path (Accepted = 1, Count = 1) and the folder is remembered; on
// cancel it is released and not accepted. A save dialog returns the name exactly as typed: no suffix
// is added.
void RunFileDialog(TDialogKind kind, const TOpenDialogParams& params, TOpenDialogResults& results);

}  // namespace brackwell
