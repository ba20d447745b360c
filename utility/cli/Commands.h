#pragma once

#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace vantrel::cli {

// What every command is run with, known once the arguments are parsed.
struct CommandContext {
    std::string toolDirectory;
    bool showProgress = false;  // standard error is a terminal
};

// A command: its subcommand of the program, which holds its options, and
// what runs it once they are parsed. run returns the exit status.
struct Command {
    CLI::App* app = nullptr;
    std::function<int(const CommandContext&)> run;
};

// Each adds its subcommand, with its options, to the program.
Command AddSectionsCommand(CLI::App& program);
Command AddSignCommand(CLI::App& program);
Command AddProtectCommand(CLI::App& program);
Command AddVerifyCommand(CLI::App& program);
Command AddKeysCommand(CLI::App& program);

}  // namespace vantrel::cli
