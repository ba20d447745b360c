#include "cli/CommandOptions.h"

#include <filesystem>


namespace vantrel::cli {

void AddImageArgument(CLI::App& command, std::string& imagePath)
{
    command
        .add_option_function<std::string>(
            "IMAGE",
            [&imagePath](const std::string& given) {
                std::error_code error;
                const auto absolute = std::filesystem::absolute(given, error).lexically_normal();
                imagePath = error ? given : absolute.string();
            })
        ->required()
        ->check(CLI::ExistingFile);
}

void AddInventoryOptions(CLI::App& command, LoadRequest& request)
{
    AddChoice(command, "--purpose", request.purpose,
              Choices<Purpose>{{"demonstration", Purpose::Demonstration}, {"practical", Purpose::PracticalUse}});
    AddChoice(command, "--entry", request.entry, Choices<Entry>{{"multi", Entry::Multi}, {"single", Entry::Single}});
}

}  // namespace vantrel::cli
