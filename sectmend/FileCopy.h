#pragma once

#include <string>

namespace sectmend {

// Copies the whole regular file source into the open, empty file target
// (named targetName in messages), in bounded memory. Throws ELFFile::EBadFile
// when the source cannot be opened or read or the target cannot be written.
void copyFile(const std::string& source, int target, const std::string& targetName);

// True when both names lead to one existing file.
bool sameFile(const std::string& first, const std::string& second);

}  // namespace sectmend
