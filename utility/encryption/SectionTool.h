#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/Outcome.h"

namespace vantrel {

// The sectmend steps of a save. Each reads the fixed-name "tmp.vnf", a fresh
// copy of the working image made by CopyWorkingImage, so sectmend never sees
// a path it cannot parse and each replacement builds on the ones before it.
// A run that fails or cannot start stops the save with a message that names
// the step and the output.

struct SectionToolContext {
    std::string toolDirectory;
    std::filesystem::path workingImage;  // what sectmend rewrites
    std::string outputName;              // the output as the user knows it
};

// Copies the working image to "tmp.vnf".
Status CopyWorkingImage(const SectionToolContext& context);

// Puts bytes into the named section of the working image:
//   sectmend -replace NAME -o WORKING -bits tmp.bin tmp.vnf
Status ReplaceSectionBytes(const SectionToolContext& context, const std::string& sectionName,
                            std::span<const std::uint8_t> bytes);

// The named section's current bytes in the working image:
//   sectmend -get NAME -o tmp.bin tmp.vnf
Status GetSectionBytes(const SectionToolContext& context, const std::string& sectionName,
                        std::vector<std::uint8_t>& bytes);

}  // namespace vantrel
