#pragma once

#include <libelf.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace sectmend {

// Writes a section's bytes, raw or as two lowercase hexadecimal digits per
// byte, to the file outputName or to standard output when it is empty.
// A section without a data block writes nothing and creates no file.
bool writeSectionBytes(const Elf_Data* dataBlock, bool textForm, const std::string& outputName);

// Reads exactly size replacement bytes, raw or as hexadecimal text, from the
// file bitsName or from standard input when it is empty. Short input leaves
// the rest 0; surplus input gives a warning. Empty result after a message.
std::optional<std::vector<unsigned char>> readReplacementBytes(const std::string& bitsName, std::size_t size,
                                                               bool textForm);

}  // namespace sectmend
