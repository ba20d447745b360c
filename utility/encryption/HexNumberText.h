#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// A listing's hexadecimal number (address, size): leading blanks, an optional
// sign and an optional "0x"/"0X" are skipped, then digits of either case are
// read up to the first other character. No digits give 0; the value is
// unsigned 32-bit (too large a number gives 0xFFFFFFFF, a minus sign negates).
std::uint32_t ReadHexNumber(const std::string& text);

}  // namespace vantrel
