#pragma once

#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "core/Outcome.h"
#include "inventory/Load.h"

namespace vantrel::cli {

// The names an option accepts and the value each stands for, in the order
// the help text lists them.
template <class Value>
using Choices = std::vector<std::pair<std::string, Value>>;

// An option whose value is one of the choices' names, in any case: any other
// is refused naming the accepted ones; the given name sets target to its
// value.
template <class Value>
CLI::Option* AddChoice(CLI::App& command, const std::string& name, Value& target, const Choices<Value>& choices)
{
    // A transform runs before those added earlier: IsMember checks the name,
    // then Transformer turns it into the value.
    return command.add_option(name, target)
        ->transform(CLI::Transformer(choices, CLI::ignore_case))
        ->transform(CLI::IsMember(choices, CLI::ignore_case));
}

// The command's one IMAGE argument: an existing file, stored as an
// absolute path.
void AddImageArgument(CLI::App& command, std::string& imagePath);

// --purpose and --entry, the choices of what Load keeps.
void AddInventoryOptions(CLI::App& command, LoadRequest& request);

}  // namespace vantrel::cli
