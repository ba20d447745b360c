#include "FakeTool.h"

#include "TestSupport.h"

namespace vantrel::testing {

std::filesystem::path WriteFakeTool(const std::filesystem::path& directory, const std::string& name,
                                    const std::string& body)
{
    const std::filesystem::path path = directory / name;
    WriteFileText(path, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                           std::filesystem::perms::group_exec);
    return path;
}

}  // namespace vantrel::testing
