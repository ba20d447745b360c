#pragma once

#include <string>
#include <vector>

#include "cli/CommandSupport.h"

namespace vantrel::cli {

// Each command gets the arguments after its name and returns the status.
int RunSectionsCommand(const std::vector<std::string>& arguments, const CommandContext& context);
int RunSignCommand(const std::vector<std::string>& arguments, const CommandContext& context);
int RunProtectCommand(const std::vector<std::string>& arguments, const CommandContext& context);
int RunVerifyCommand(const std::vector<std::string>& arguments, const CommandContext& context);

}  // namespace vantrel::cli
