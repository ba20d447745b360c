#pragma once

#include "core/DialogState.h"
#include "core/UserInterface.h"

namespace vantrel {

// Makes the key pair the Key Pair choice asks for on the curve of the tool
// directory's curve file and writes public.ecs and private.ecs into the
// current directory: "Pelora" the fixed key pair of the curve, "Generate" a
// fresh random one; "Default" keeps the key files as they are. Writes the
// line "public key = X Y" to standard output (never the private key).
// Returns 0, or -1 after showing a message (the key files then unchanged).
int GenerateKeyPair(DialogState& state, UserInterface& ui);

}  // namespace vantrel
