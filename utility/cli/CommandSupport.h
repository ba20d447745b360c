#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ArgumentParser.h"
#include "cli/ConsoleInterface.h"
#include "core/DialogState.h"

namespace vantrel::cli {

// What every command is run with.
struct CommandContext {
    std::string toolDirectory;
    bool showProgress = false;  // standard error is a terminal
};

// Prints "ERROR: message" on standard error; returns the failure status 1.
int Fail(const std::string& message);
void Warn(const std::string& message);
// A progress line on standard error, when the context shows progress.
void Progress(const CommandContext& context, const std::string& line);

// Parses a command's arguments. A status when the command is already done:
// 1 after reporting a parse error, 0 after printing the command's help.
std::optional<int> ParseCommandArguments(const std::string& command, const std::vector<OptionSpec>& specs,
                                         const std::vector<std::string>& arguments, ParsedArguments& parsed);

// The command's one IMAGE argument as an absolute path to a readable file.
bool ImageArgument(const std::string& command, const ParsedArguments& arguments, std::string& image,
                   std::string& error);

// --purpose and --entry into the interface's combo selections.
bool InventoryChoices(const ParsedArguments& arguments, ConsoleInterface& ui, std::string& error);

// A key text: hexadecimal digits only, at most maxDigits of them.
bool CheckKeyText(const std::string& option, const std::string& text, std::size_t maxDigits, std::string& error);

// Runs Load on ui.image. false when Load showed a message (already printed,
// error stays empty) or the image could not be listed (error says why).
bool LoadInventory(DialogState& state, ConsoleInterface& ui, const CommandContext& context, std::string& error);

std::string Hex32(std::uint32_t value);

}  // namespace vantrel::cli
