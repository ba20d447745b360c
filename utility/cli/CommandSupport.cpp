#include "cli/CommandSupport.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/Usage.h"
#include "inventory/Load.h"
#include "verify/ImageSections.h"

namespace vantrel::cli {

namespace fs = std::filesystem;

int Fail(const std::string& message)
{
    std::cerr << "ERROR: " << message << std::endl;
    return 1;
}

void Warn(const std::string& message)
{
    std::cerr << "WARNING: " << message << std::endl;
}

void Progress(const CommandContext& context, const std::string& line)
{
    if (context.showProgress)
        std::cerr << line << std::endl;
}

std::optional<int> ParseCommandArguments(const std::string& command, const std::vector<OptionSpec>& specs,
                                         const std::vector<std::string>& arguments, ParsedArguments& parsed)
{
    std::string error;
    if (!ParseArguments(command, specs, arguments, parsed, error))
        return Fail(error);
    if (parsed.help) {
        std::cout << CommandUsage(command);
        return 0;
    }
    return std::nullopt;
}

bool ImageArgument(const std::string& command, const ParsedArguments& arguments, std::string& image,
                   std::string& error)
{
    if (arguments.positionals.size() != 1) {
        error = command + " takes one IMAGE (see vantrel-utility " + command + " --help)";
        return false;
    }
    const std::string& given = arguments.positionals.front();
    std::error_code fileError;
    if (!fs::is_regular_file(given, fileError) || !std::ifstream(given, std::ios::binary)) {
        error = "cannot read image " + given;
        return false;
    }
    image = fs::absolute(given, fileError).lexically_normal().string();
    return true;
}

bool InventoryChoices(const ParsedArguments& arguments, ConsoleInterface& ui, std::string& error)
{
    const auto purpose = ChoiceIndex("--purpose", arguments.value("--purpose", "demonstration"),
                                     {"demonstration", "practical"}, error);
    const auto entry = purpose ? ChoiceIndex("--entry", arguments.value("--entry", "multi"), {"multi", "single"}, error)
                               : std::nullopt;
    if (!entry)
        return false;
    ui.setCombo(Combo::Purpose, *purpose == 0 ? PurposeIndex::Demonstration : PurposeIndex::PracticalUse);
    ui.setCombo(Combo::Entry, *entry == 0 ? EntryIndex::Multi : EntryIndex::Single);
    return true;
}

bool CheckKeyText(const std::string& option, const std::string& text, std::size_t maxDigits, std::string& error)
{
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            error = option + " takes hexadecimal digits (0-9, a-f, A-F) only";
            return false;
        }
    }
    if (text.size() > maxDigits) {
        error = option + " has " + std::to_string(text.size()) + " digits; the key length takes at most " +
                std::to_string(maxDigits);
        return false;
    }
    return true;
}

bool LoadInventory(DialogState& state, ConsoleInterface& ui, const CommandContext& context, std::string& error)
{
    if (context.showProgress)
        ui.progress = [](const std::string& line) { std::cerr << line << std::endl; };
    const std::size_t messagesBefore = ui.messages().size();
    OnLoad(state, ui);
    ui.progress = nullptr;
    if (ui.messages().size() != messagesBefore)
        return false;
    if (!state.sectionTable.empty() || state.aesDataSize != 0)
        return true;
    // Nothing kept and nothing said: make sure the image could be listed at all.
    ImageSections image(state.toolDirectory, ui.image);
    return image.List(error);
}

std::string Hex32(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

}  // namespace vantrel::cli
