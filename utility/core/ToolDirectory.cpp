#include "core/ToolDirectory.h"

#include <unistd.h>

#include <filesystem>

namespace vantrel {

namespace fs = std::filesystem;

std::string FindToolDirectory()
{
    std::error_code error;
    const fs::path working = fs::current_path(error);
    // A folder named sectmend (the source tree, a build tree) is no tool.
    const fs::path tool = working / "sectmend";
    if (!error && fs::is_regular_file(tool, error) && access(tool.c_str(), X_OK) == 0)
        return working.string();
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        return executable.parent_path().string();
    return working.string();
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
