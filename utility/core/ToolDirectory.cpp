#include "core/ToolDirectory.h"


#include <filesystem>

namespace vantrel {

namespace fs = std::filesystem;

std::string FindToolDirectory()
{
    // As the command line: the working directory may be an unpacked
    // firmware bundle whose own sectmend must never run as the user.
    return CommandLineToolDirectory();
}

std::string CommandLineToolDirectory()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.parent_path().string();
}

std::string ToolPath(const std::string& toolDirectory, const std::string& toolName)
{
    return toolDirectory + "/" + toolName;
}

}  // namespace vantrel
