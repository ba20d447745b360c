#pragma once

#include "core/DialogState.h"
#include "core/UserInterface.h"

namespace vantrel {

// The Load button: lists the image's sections, keeps those the Purpose and
// Entry choices allow, captures their bytes, refills the section list and
// state.sectionTable, and sets state.aesDataSize. Shows at most one message.
void OnLoad(DialogState& state, UserInterface& ui);

}  // namespace vantrel
