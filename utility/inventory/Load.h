#pragma once

#include <cstdint>
#include <string>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "inventory/SectionFilter.h"
#include "inventory/SectionRecord.h"

namespace vantrel {

// What a Load found: the kept sections of one image, with their digests.
struct Inventory {
    std::string imagePath;         // the image the sections were read from
    SectionTable sectionTable;     // record i is row i of the section list
    std::uint32_t aesDataSize = 0; // size of the AESData section, or 0
};

struct LoadRequest {
    std::string imagePath;
    std::string toolDirectory;     // sectmend and scnlist
    Purpose purpose = Purpose::Demonstration;
    Entry entry = Entry::Multi;
    Progress progress;             // "reading section NAME" per kept section, with a count in large ones
    CancelCheck cancelled;         // asked before each section and while one is read
};

// Lists the image's sections, keeps those the Purpose and Entry choices
// allow, and takes the digest of their bytes (streamed, never held whole). A section the tools cannot read fails the
// whole Load with its message; so does a cancel (CancelledMessage).
Outcome<Inventory> LoadInventory(const LoadRequest& request);

}  // namespace vantrel
