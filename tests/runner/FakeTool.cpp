#include "FakeTool.h"

#include <cstdlib>

#include "TestSupport.h"

namespace vantrel::testing {

constexpr const char* SilenceVariable = "VANTREL_TOOL_TIMEOUT_MS";

std::filesystem::path WriteFakeTool(const std::filesystem::path& directory, const std::string& name,
                                    const std::string& body)
{
    const std::filesystem::path path = directory / name;
    WriteFileText(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                           std::filesystem::perms::group_exec);
    return path;
}

ScopedSilenceLimit::ScopedSilenceLimit(const std::string& value)
{
    if (const char* previous = std::getenv(SilenceVariable))
        previous_ = previous;
    setenv(SilenceVariable, value.c_str(), 1);
}

ScopedSilenceLimit::~ScopedSilenceLimit()
{
    if (previous_)
        setenv(SilenceVariable, previous_->c_str(), 1);
    else
        unsetenv(SilenceVariable);
}

}  // namespace vantrel::testing
