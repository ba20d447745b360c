#pragma once

#include <filesystem>
#include <string>

namespace vantrel::testing {

// Writes an executable shell script named name into directory: "#!/bin/sh",
// then body. Tests use such scripts in place of the real tools to make them
// silent, slow, talkative or failing on purpose. Returns the script's path.
std::filesystem::path WriteFakeTool(const std::filesystem::path& directory, const std::string& name,
                                    const std::string& body);

}  // namespace vantrel::testing
