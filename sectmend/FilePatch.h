#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sectmend {

// Overwrites size bytes of the existing file target at offset. Returns false
// after writing its message when the file cannot be opened or written.
bool patchFile(const std::string& target, std::uint64_t offset, const unsigned char* bytes, std::size_t size);

}  // namespace sectmend
