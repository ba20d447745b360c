#pragma once

#include <string>

namespace vantrel::cli {

constexpr const char* ProgramName = "vantrel-utility";

// The help text of the program, and of one command ("" for an unknown one).
std::string ProgramUsage();
std::string CommandUsage(const std::string& command);
std::string VersionText();

}  // namespace vantrel::cli
