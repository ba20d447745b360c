#pragma once

#include <filesystem>
#include <string>

namespace vantrel {

// The directory the tools and the curve file are taken from: the working
// directory when it holds `sectmend`, else the directory of the running
// program (the build and the install put the programs side by side).
std::string ChooseToolDirectory(const std::filesystem::path& workingDirectory,
                                const std::filesystem::path& programDirectory);

// ChooseToolDirectory for this process, at the moment of the call.
std::string FindToolDirectory();

}  // namespace vantrel
