#pragma once

#include <string>

#include "core/DialogState.h"
#include "core/SectionList.h"
#include "core/Outcome.h"

namespace vantrel {

// The choices of one save, by index as the AESData record carries them.
struct AesChoice {
    int keyLenIndex = 0;
    int modeIndex = 0;
};

// The part of a save after the output is chosen: checks the AESData section,
// sets AES up, encrypts or hashes the checked rows of the last Load in list
// order into a working copy of the input, writes the AESData record and puts
// the copy in the output's place. The key, IV, mode and key length come from
// state. Any failure leaves the output and the input as they were.
Status ProtectImage(const DialogState& state, const SectionList& rows, AesChoice choice, const std::string& input,
                     const std::string& output);

}  // namespace vantrel
