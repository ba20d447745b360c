#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace vantrel::testing {

// One block of a vector file: the "Key = Value" lines up to a blank line,
// under the latest "[header]".
struct VecBlock {
    std::string header;
    std::map<std::string, std::string> values;

    const std::string& at(const std::string& key) const;
    Bytes hex(const std::string& key) const;
    int number(const std::string& key) const;
};

// Reads a vector file of tests/encryption/vectors; "#" starts a comment line.
std::vector<VecBlock> ReadVecFile(const std::string& name);

// Hexadecimal text (either case, even length) to bytes.
Bytes FromHex(const std::string& text);

}  // namespace vantrel::testing
