#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Outcome.h"
#include "encryption/ProtectImage.h"

namespace vantrel {

// What the Save button settles before its chooser opens: everything that
// needs no output file. The request carries the inventory, one treatment per
// inventory row, Key Len and Mode; its key and output are not used.

// The first refusal that applies, with the operation's own message where it
// has one: no AESData section or one too small for the record, nothing
// ticked, a ticked section that is not a whole number of AES blocks (named
// with its size), a key that is not hexadecimal, no key with an AES box
// ticked, or more digits than Key Len takes. Done when none applies.
Status CheckSaveChoices(const ProtectRequest& request, std::string_view keyText);

// The questions the user answers Yes to before the save goes on: a key with
// fewer digits than Key Len takes, Mode OFB or CTR (one key stream for
// every section and the table), and Mode ECB (equal blocks give equal
// ciphertext).
std::vector<std::string> SaveQuestions(const ProtectRequest& request, std::string_view keyText);

// The question before protecting an image whose signature the public key of
// the working directory does not accept (or that has none); nothing when it
// is signed.
std::optional<std::string> UnsignedImageQuestion(const std::string& imagePath, const std::string& toolDirectory);

}  // namespace vantrel
