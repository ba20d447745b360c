#pragma once

#include <cstdint>
#include <string>

namespace sectmend {

// Where a section's bytes lie: in the open image file, from offset on.
struct SectionBytes {
    int descriptor = -1;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::string imageName;  // for messages
};

// Writes a section's bytes, raw or as two lowercase hexadecimal digits per
// byte, to the file outputName or to standard output when it is empty, one
// block at a time. A file appears only complete; an existing one is
// replaced only when the whole section was written. Returns false after
// writing its message.
bool writeSectionBytes(const SectionBytes& section, bool textForm, const std::string& outputName);

}  // namespace sectmend
