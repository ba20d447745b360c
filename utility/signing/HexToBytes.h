#pragma once

#include <cstdint>

namespace vantrel {

// Hexadecimal text to bytes, two digits per byte, high digit first, without
// validation: destination needs room for length / 2 bytes (at least one).
// A length of 0 or 1 stores the value of the first character alone; an odd
// last character is ignored.
void HexToBytes(const char* text, std::uint8_t* destination, int length);

}  // namespace vantrel
