#include "cli/ArgumentParser.h"

#include <algorithm>

namespace vantrel::cli {

namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& name)
{
    const auto it = std::find_if(specs.begin(), specs.end(), [&](const OptionSpec& s) { return s.name == name; });
    return it == specs.end() ? nullptr : &*it;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

}  // namespace

std::string ParsedArguments::value(const std::string& name, const std::string& fallback) const
{
    const auto it = options.find(name);
    return it == options.end() || it->second.empty() ? fallback : it->second.back();
}

const std::vector<std::string>& ParsedArguments::values(const std::string& name) const
{
    static const std::vector<std::string> none;
    const auto it = options.find(name);
    return it == options.end() ? none : it->second;
}

bool ParseArguments(const std::string& command, const std::vector<OptionSpec>& specs,
                    const std::vector<std::string>& arguments, ParsedArguments& parsed, std::string& error)
{
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            parsed.help = true;
            continue;
        }
        const auto equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const OptionSpec* spec = FindSpec(specs, name);
        if (!spec) {
            error = "unknown option '" + name + "' for " + command;
            return false;
        }
        std::string value;
        if (equals != std::string::npos) {
            if (!spec->takesValue) {
                error = "option " + name + " takes no value";
                return false;
            }
            value = argument.substr(equals + 1);
        } else if (spec->takesValue) {
            if (i + 1 >= arguments.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        auto& slot = parsed.options[name];
        if (!slot.empty() && !spec->repeatable) {
            error = "option " + name + " is given more than once";
            return false;
        }
        slot.push_back(value);
    }
    return true;
}

std::optional<int> ChoiceIndex(const std::string& option, const std::string& value,
                               const std::vector<std::string>& choices, std::string& error)
{
    const auto it = std::find(choices.begin(), choices.end(), value);
    if (it == choices.end()) {
        error = "invalid value '" + value + "' for " + option + "; accepted values: " + Join(choices);
        return std::nullopt;
    }
    return static_cast<int>(it - choices.begin());
}

}  // namespace vantrel::cli
