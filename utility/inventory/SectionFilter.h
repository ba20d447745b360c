#pragma once

#include <string>

#include "inventory/SectionRecord.h"

namespace vantrel {

// Which listed sections Load keeps.

// The sections the protection itself uses; never offered to the user.
bool IsReservedSectionName(const std::string& name);

// What the Purpose and Entry choices select.
enum class Purpose { Demonstration, PracticalUse };
enum class Entry { Multi, Single };

// The Purpose and Entry choices:
// Demonstration + Multi keeps names beginning with "ShareFunctionSection",
// Demonstration + Single the four L1/L2 sections, Practical use everything.
bool PassesPurposeAndEntry(const std::string& name, Purpose purpose, Entry entry);

// Only sections with flags, file contents and a size are worth protecting.
bool PassesContentTest(const SectionRecord& record);

// All three tests together.
bool KeepsSection(const SectionRecord& record, Purpose purpose, Entry entry);

}  // namespace vantrel
