#pragma once

#include "core/DialogState.h"
#include "core/UserInterface.h"

namespace vantrel {

// Signs the image of the input box with the key of private.ecs (current
// directory) over the curve of the tool directory's curve file: reads and
// checks the key and the curve, exchanges msg_code and msg_data, signs the
// SHA-1 digest of the former msg_code bytes with ECDSA and writes r and s
// into digital_signature. Leaves signature.ecs. On any failure the image is
// left as it was. Returns 0, or -1 after showing a message.
int SignImage(DialogState& state, UserInterface& ui);

}  // namespace vantrel
