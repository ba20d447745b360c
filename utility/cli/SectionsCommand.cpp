#include <iomanip>
#include <iostream>
#include <memory>

#include "cli/CommandOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "cli/JsonOutput.h"
#include "core/HexText.h"
#include "inventory/NumberText.h"

namespace vantrel::cli {

namespace {

struct SectionsOptions {
    LoadRequest load;
    bool json = false;
};

void PrintText(const Inventory& inventory)
{
    std::cout << "Image: " << inventory.imagePath << "\n";
    std::cout << std::left << std::setw(32) << "NAME" << std::setw(12) << "ADDRESS" << "SIZE\n";
    for (const auto& record : inventory.sectionTable)
        std::cout << std::left << std::setw(32) << record.name << std::setw(12)
                  << Hex32(ReadHexNumber(record.addressText)) << ReadHexNumber(record.sizeText) << "\n";
    std::cout << inventory.sectionTable.size() << " section(s); AESData size: " << inventory.aesDataSize
              << " bytes\n";
}

void PrintInventoryJson(const Inventory& inventory)
{
    auto sections = nlohmann::ordered_json::array();
    for (const auto& record : inventory.sectionTable)
        sections.push_back({{"name", record.name},
                            {"address", ReadHexNumber(record.addressText)},
                            {"size", ReadHexNumber(record.sizeText)}});
    PrintJson({{"image", inventory.imagePath}, {"aesDataSize", inventory.aesDataSize}, {"sections", sections}});
}

int RunSections(SectionsOptions& options, const CommandContext& context)
{
    options.load.toolDirectory = context.toolDirectory;
    options.load.progress = ProgressLines(context);
    const Outcome<Inventory> inventory = LoadInventory(options.load);
    if (!inventory)
        return Fail(inventory.message());
    if (options.json)
        PrintInventoryJson(inventory.value());
    else
        PrintText(inventory.value());
    return 0;
}

}  // namespace

Command AddSectionsCommand(CLI::App& program)
{
    auto options = std::make_shared<SectionsOptions>();
    CLI::App* command = program.add_subcommand("sections");
    AddImageArgument(*command, options->load.imagePath);
    AddInventoryOptions(*command, options->load);
    command->add_flag("--json", options->json);
    return {command, [options](const CommandContext& context) { return RunSections(*options, context); }};
}

}  // namespace vantrel::cli
