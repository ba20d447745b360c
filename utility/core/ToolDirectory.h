#pragma once

#include <string>

namespace vantrel {

// The directory the dialog takes the tools and the curve file from: the
// command line's (CommandLineToolDirectory), never the working directory.
std::string FindToolDirectory();

// The directory the command line takes the tools from: the running
// executable's (the curve file comes from there too, or from the installed
// data folder, see CurveFilePath). Never the working directory, so a command
// run inside an unpacked firmware bundle does not run the bundle's programs
// or read its curve. "" when the executable cannot be found (no /proc).
std::string CommandLineToolDirectory();

// toolDirectory + "/" + tool name: a tool's or the curve file's path.
std::string ToolPath(const std::string& toolDirectory, const std::string& toolName);

}  // namespace vantrel
