#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

// Hexadecimal text to bytes, two digits per byte, high digit first, without
// validation: destination needs room for length / 2 bytes (at least one).
// A length of 0 or 1 stores the value of the first character alone; an odd
// last character is ignored.
void HexToBytes(const char* text, std::uint8_t* destination, int length);

// Two lowercase hexadecimal digits per byte, no separators.
std::string BytesToHex(std::span<const std::uint8_t> bytes);

// True when every character is a hexadecimal digit of either case (the empty
// text included).
bool IsHexDigits(std::string_view text);

// "0x" and eight lowercase hexadecimal digits.
std::string Hex32(std::uint32_t value);

}  // namespace vantrel
