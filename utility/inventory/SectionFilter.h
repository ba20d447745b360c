#pragma once

#include <string>

#include "inventory/SectionRecord.h"

namespace vantrel {

// Which listed sections Load keeps.

// The sections the protection itself uses; never offered to the user.
bool IsReservedSectionName(const std::string& name);

// The Purpose and Entry choices (combo indices, PurposeIndex / EntryIndex):
// Demonstration + Multi keeps names beginning with "ShareFunctionSection",
// Demonstration + Single the four L1/L2 sections, Practical use everything.
bool PassesPurposeAndEntry(const std::string& name, int purpose, int entry);

// Only sections with flags, file contents and a size are worth protecting.
bool PassesContentTest(const SectionRecord& record);

// All three tests together.
bool KeepsSection(const SectionRecord& record, int purpose, int entry);

}  // namespace vantrel
