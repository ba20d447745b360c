#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Sha1.h"

namespace vantrel {

// One section kept by the last Load. Record i of the table belongs to row i
// of the section list. The section's bytes are not kept, only their digest:
// Save reads them again through sectmend and refuses an image whose
// section no longer has it.
struct SectionRecord {
    std::int32_t aesSelected = 0;
    Sha1Digest digest{};      // SHA-1 of the bytes Load read
    std::string name;
    std::string typeText;
    std::string flagsText;
    std::string addressText;
    std::string column4Text;  // the file offset
    std::string sizeText;
    std::int32_t column7 = 0;
    std::int32_t column8 = 0;
    std::int32_t column9 = 0;
    std::int32_t column10 = 0;
};

using SectionTable = std::vector<SectionRecord>;

}  // namespace vantrel
