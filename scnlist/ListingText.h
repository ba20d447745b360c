#pragma once

#include <cstdint>
#include <string>

namespace scnlist {

// Texts of one listing line. Every token is free of blanks, slashes, colons
// and line ends, so a reader that cuts lines at those characters sees exactly
// twelve tokens per section header.

// The section type as a lower-case word, or "0x" and the number.
std::string TypeWord(std::uint32_t type);
// "0x" and eight lower-case hexadecimal digits.
std::string Hex8(std::uint32_t value);
// The flag letters in bit order (W A X M S I L O G T C E, R for
// SHF_GNU_RETAIN in a GNU or FreeBSD image as readelf has it, then o p x for
// other bits of the OS range, the processor range and the rest), or "-".
// osAbi is the image's EI_OSABI.
std::string FlagLetters(std::uint32_t flags, unsigned char osAbi);
// Text printable on one line: control characters, blanks, slashes, colons,
// apostrophes, backslashes and bytes above 0x7e become \xNN (when forToken),
// otherwise only control characters, backslashes and high bytes do.
std::string Escaped(const std::string& text, bool forToken);

}  // namespace scnlist
