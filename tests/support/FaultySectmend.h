#pragma once

#include <filesystem>
#include <string>

#include "TestSupport.h"

namespace vantrel::testing {

// Writes into folder a sectmend that runs the shell commands action on the
// step whose arguments begin with stepArguments ("-replace msg_data ") and
// hands every run, that one too unless action exits, to the build's sectmend:
// an operation runs for real up to a fault of our choosing.
inline void WriteFaultySectmend(const std::filesystem::path& folder, const std::string& stepArguments,
                                const std::string& action)
{
    const std::filesystem::path script = folder / "sectmend";
    std::filesystem::remove(script);  // a link to the real tool: writing through it would overwrite the tool
    WriteFileText(script, "#!/bin/sh\ncase \"$*\" in \"" + stepArguments + "\"*) " + action + ";; esac\nexec '" +
                              (ToolsDir() / "sectmend").string() + "' \"$@\"\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
}

}  // namespace vantrel::testing
