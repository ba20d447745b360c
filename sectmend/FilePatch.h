#pragma once

#include <cstdint>
#include <string>

namespace sectmend {

class ReplacementInput;

// Writes the section's size bytes from input into the open file fd at offset,
// one block at a time. False with errno set when writing failed; false with
// errno 0 when the input failed (its message is written already).
bool writeReplacement(int fd, std::uint64_t offset, std::uint64_t size, ReplacementInput& input);

// Replaces the section's bytes in the existing image target itself. The
// section's blocks are reserved first, so that a full disk fails the run
// before any byte changes (file systems that cannot reserve are written as
// they are). Returns false after writing its message.
bool patchFile(const std::string& target, std::uint64_t offset, std::uint64_t size, ReplacementInput& input);

}  // namespace sectmend
