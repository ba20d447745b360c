#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::cli {

// One option a command accepts.
struct OptionSpec {
    std::string name;         // "--mode", "-o"
    bool takesValue = true;
    bool repeatable = false;
};

// A command's arguments after parsing: the positional ones in order and the
// values of each option given (an option without a value records "").
struct ParsedArguments {
    std::vector<std::string> positionals;
    std::map<std::string, std::vector<std::string>> options;
    bool help = false;

    bool has(const std::string& name) const { return options.count(name) != 0; }
    // The option's value, or fallback when it was not given.
    std::string value(const std::string& name, const std::string& fallback = {}) const;
    const std::vector<std::string>& values(const std::string& name) const;
};

// Parses "--name value", "--name=value", flags and positionals ("--" ends the
// options). false with error set on an unknown option, a missing value or an
// option given twice that may be given once.
bool ParseArguments(const std::string& command, const std::vector<OptionSpec>& specs,
                    const std::vector<std::string>& arguments, ParsedArguments& parsed, std::string& error);

// The index of value among choices; nothing with error listing the accepted
// values when it is not one of them.
std::optional<int> ChoiceIndex(const std::string& option, const std::string& value,
                               const std::vector<std::string>& choices, std::string& error);

}  // namespace vantrel::cli
