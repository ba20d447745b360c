#include <iomanip>
#include <iostream>
#include <sstream>

#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "inventory/NumberText.h"

namespace vantrel::cli {

namespace {

void PrintText(const std::string& image, const DialogState& state)
{
    std::cout << "Image: " << image << "\n";
    std::cout << std::left << std::setw(32) << "NAME" << std::setw(12) << "ADDRESS" << "SIZE\n";
    for (const auto& record : state.sectionTable)
        std::cout << std::left << std::setw(32) << record.name << std::setw(12)
                  << Hex32(ReadHexNumber(record.addressText)) << ReadHexNumber(record.sizeText) << "\n";
    std::cout << state.sectionTable.size() << " section(s); AESData size: " << state.aesDataSize << " bytes\n";
}

void PrintJson(const std::string& image, const DialogState& state)
{
    std::ostringstream out;
    out << "{\n  \"image\": " << JsonString(image) << ",\n  \"aesDataSize\": " << state.aesDataSize
        << ",\n  \"sections\": [";
    const char* separator = "\n";
    for (const auto& record : state.sectionTable) {
        out << separator << "    {\"name\": " << JsonString(record.name)
            << ", \"address\": " << ReadHexNumber(record.addressText)
            << ", \"size\": " << ReadHexNumber(record.sizeText) << "}";
        separator = ",\n";
    }
    out << (state.sectionTable.empty() ? "]\n}\n" : "\n  ]\n}\n");
    std::cout << out.str();
}

}  // namespace

int RunSectionsCommand(const std::vector<std::string>& arguments, const CommandContext& context)
{
    static const std::vector<OptionSpec> specs = {{"--purpose"}, {"--entry"}, {"--json", false}};
    ParsedArguments parsed;
    ConsoleInterface ui;
    std::string error;
    if (const auto done = ParseCommandArguments("sections", specs, arguments, parsed))
        return *done;
    if (!ImageArgument("sections", parsed, ui.image, error) || !InventoryChoices(parsed, ui, error))
        return Fail(error);

    DialogState state;
    state.toolDirectory = context.toolDirectory;
    if (!LoadInventory(state, ui, context, error))
        return error.empty() ? 1 : Fail(error);
    if (parsed.has("--json"))
        PrintJson(ui.image, state);
    else
        PrintText(ui.image, state);
    return 0;
}

}  // namespace vantrel::cli
