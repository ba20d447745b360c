#pragma once

#include "buttons/DialogState.h"
#include "core/Outcome.h"
#include "core/UserInterface.h"

namespace vantrel {

// The dialog's buttons as thin adapters over the operations: each reads the
// controls through the user interface, asks for files, runs the operation
// and shows what it returns (one message, or none for a cancelled chooser).
// The returned status is the operation's.

// Load: takes stock of the image of the input box and refills the list.
Status OnLoad(DialogState& state, UserInterface& ui);
// Generate: makes or keeps the key pair (Key Pair choice) and signs the image.
Status OnGenerate(DialogState& state, UserInterface& ui);
// Save: asks for the output file and writes the protected image.
Status OnSave(DialogState& state, UserInterface& ui);

}  // namespace vantrel
