#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace vantrel::testing {

// One section header as readelf -S -W prints it (binutils, the reference
// the listing is compared with). Numbers are kept as readelf's hex digits.
struct ReadelfSection {
    unsigned index = 0;
    std::string name;
    std::string type;   // upper case, as readelf prints it
    std::string address;
    std::string offset;
    std::string size;
    std::string flags;  // letters, empty when none
};

std::vector<ReadelfSection> ReadelfSectionHeaders(const std::filesystem::path& image);

}  // namespace vantrel::testing
