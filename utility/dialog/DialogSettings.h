#pragma once

#include "MainDialogTemplate.h"

namespace vantrel {

// What a user expects to find again in the next run, kept in Qt's settings
// of the user: the folder the dialog last worked in (where the chooser opens
// and the key files are) and the choices Key Pair, Key Len, Mode, Purpose and
// Entry. Never the key.

// Moves the working directory to the remembered folder when it still exists
// and selects the remembered choices that are still offered.
void RestoreDialogSettings(const MainDialogControls& controls);

// Remembers the working directory and the current choices.
void SaveDialogSettings(const MainDialogControls& controls);

}  // namespace vantrel
