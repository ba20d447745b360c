#pragma once

#include "buttons/DialogState.h"
#include "core/Outcome.h"
#include "core/UserInterface.h"

namespace vantrel {

// The dialog's buttons as thin adapters over the operations: each reads the
// controls through the user interface, checks and asks what it can before
// any chooser, asks for files, runs the operation and shows what it returns
// (one message, an error or a success; none when the user cancelled a chooser
// or answered No). The returned status is the operation's.

// Load: takes stock of the image of the input box and refills the list.
Status OnLoad(DialogState& state, UserInterface& ui);
// Generate: makes or keeps the key pair (Key Pair choice) and signs the image.
Status OnGenerate(DialogState& state, UserInterface& ui);
// Save: checks the ticks and the key, asks about a short key, Mode OFB or
// CTR and an unsigned image, then asks for the output file and writes the
// protected image.
Status OnSave(DialogState& state, UserInterface& ui);
// Key Len changed: the Key label tells how many digits the key takes.
void OnKeyLenChange(UserInterface& ui);

}  // namespace vantrel
