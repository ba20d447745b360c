#include "ToolDirectory.h"

#include <system_error>

namespace vantrel {

namespace fs = std::filesystem;

namespace {

fs::path ProgramDirectory()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path();
}

}  // namespace

std::string ChooseToolDirectory(const fs::path& workingDirectory, const fs::path& programDirectory)
{
    std::error_code error;
    if (fs::is_regular_file(workingDirectory / "sectmend", error) || programDirectory.empty())
        return workingDirectory.string();
    return programDirectory.string();
}

std::string FindToolDirectory()
{
    std::error_code error;
    const fs::path working = fs::current_path(error);
    return ChooseToolDirectory(error ? fs::path(".") : working, ProgramDirectory());
}

}  // namespace vantrel
