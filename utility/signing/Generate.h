#pragma once

#include "core/DialogState.h"
#include "core/UserInterface.h"

namespace vantrel {

// The Generate button: makes or keeps the key pair (Key Pair choice) and
// signs the image named in the input box. Returns 0 on success, -1 after it
// has shown its message.
int OnGenerate(DialogState& state, UserInterface& ui);

}  // namespace vantrel
