#include "core/InstalledData.h"

#include <filesystem>

namespace vantrel {

namespace fs = std::filesystem;

std::string InstalledDataDirectory()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return (executable.parent_path() / ".." / "share" / "vantrel").lexically_normal().string();
}

}  // namespace vantrel
