#include "cli/ToolDirectory.h"

#include <unistd.h>

#include <filesystem>

namespace vantrel::cli {

namespace fs = std::filesystem;

std::string FindToolDirectory()
{
    std::error_code error;
    const fs::path working = fs::current_path(error);
    if (!error && access((working / "sectmend").c_str(), X_OK) == 0)
        return working.string();
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        return executable.parent_path().string();
    return working.string();
}

}  // namespace vantrel::cli
