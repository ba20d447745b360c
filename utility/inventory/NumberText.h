#pragma once

#include <cstdint>
#include <string_view>

namespace vantrel {

// Reading numbers out of listing and record texts, the way the listing and
// the AESData record are read everywhere in the program.

// Skips leading white space and an optional sign, then reads decimal digits
// up to the first other character. No digits give 0; values beyond the
// 32-bit range give the nearest limit.
std::int32_t ReadDecimalNumber(std::string_view text);

// Skips leading white space, an optional sign and an optional "0x" or "0X",
// then reads hexadecimal digits of either case up to the first other
// character. No digits give 0. The value is unsigned 32-bit: more digits
// than fit give 0xFFFFFFFF, a minus sign negates modulo 2^32.
std::uint32_t ReadHexNumber(std::string_view text);

}  // namespace vantrel
