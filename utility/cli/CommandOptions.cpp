#include "cli/CommandOptions.h"

#include <filesystem>

#include "core/HexText.h"

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

Status CheckKeyText(std::string_view option, std::string_view text, std::size_t maxDigits)
{
    if (!IsHexDigits(text))
        return Status::Fail(std::string(option) + " takes hexadecimal digits (0-9, a-f, A-F) only");
    if (text.size() > maxDigits)
        return Status::Fail(std::string(option) + " has " + std::to_string(text.size()) +
                            " digits; the key length takes at most " + std::to_string(maxDigits));
    return Done{};
}

}  // namespace vantrel::cli
