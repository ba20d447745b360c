#pragma once

#include <string_view>

#include "core/Secret.h"

namespace vantrel {

// The message when the key text holds anything but hexadecimal digits.
inline constexpr const char* KeyNotHexMessage = "The key must be hexadecimal digits (0-9, A-F).\n";

// True when every character of the key text is a hexadecimal digit of either
// case (the empty text included).
bool IsHexKeyText(std::string_view text);

// keyLength key bytes from the key text, read as a number aligned to the
// right end of the key: an odd-length text gets a leading "0", a short one
// leading zeros up to 2 x keyLength digits, and only the first 2 x keyLength
// digits count (so an over-long text loses its end). Upper and lower case read
// alike; the empty text gives the all-zero key. keyLength is 16, 24 or 32.
SecretBytes AesKeyFromText(std::string_view text, int keyLength);

}  // namespace vantrel
