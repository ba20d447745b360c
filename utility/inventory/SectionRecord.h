#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// One section kept by the last Load. Record i of the table belongs to row i
// of the section list.
struct SectionRecord {
    std::int32_t aesSelected = 0;
    std::string contentText;  // 2 x size lowercase hex digits, then '\n'
    std::string auxText;
    std::string name;
    std::string typeText;
    std::string flagsText;
    std::string addressText;
    std::string column4Text;
    std::string sizeText;
    std::int32_t column7 = 0;
    std::int32_t column8 = 0;
    std::int32_t column9 = 0;
    std::int32_t column10 = 0;
};

using SectionTable = std::vector<SectionRecord>;

}  // namespace vantrel
