#pragma once

#include <string>

namespace sectmend {

// Copies the whole file source to target (created or truncated), in bounded
// memory. Throws ELFFile::EBadFile when a file cannot be opened, read or
// written; a target left incomplete by a failed copy is removed.
void copyFile(const std::string& source, const std::string& target);

// True when both names lead to one existing file.
bool sameFile(const std::string& first, const std::string& second);

}  // namespace sectmend
