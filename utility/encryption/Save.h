#pragma once

#include "core/DialogState.h"
#include "core/UserInterface.h"

namespace vantrel {

// The Save button: encrypts and hashes the ticked sections of the last Load
// into the chosen output image and writes its AESData record. Returns true
// when the image was saved; every outcome but a cancelled chooser has shown
// a message.
bool OnSave(DialogState& state, UserInterface& ui);

}  // namespace vantrel
