#pragma once

#include <string>

#include "core/DialogState.h"
#include "core/UserInterface.h"
#include "core/Outcome.h"

namespace vantrel {

// Exchanges the contents of the image's msg_code and msg_data sections with
// four section tool runs, keeping the former msg_code bytes (the message to
// sign) in signature.bin. Stale signature.bin, tmp.bin and tmp.vnf are
// removed first; tmp.bin and tmp.vnf are removed when the exchange is done.
// A failed run stops the exchange with a message naming it; the image may
// then be half exchanged (the caller restores it).
Outcome<Done> ExchangeMessageSections(const std::string& toolDirectory, const std::string& image);

// The exchange on the image of the input box, which is left unchanged when
// the exchange fails. Returns 0, or -1 after showing a message.
int SwapMessageSections(DialogState& state, UserInterface& ui);

}  // namespace vantrel
