#include "cli/CommandLine.h"

#include <unistd.h>

#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/ToolDirectory.h"
#include "cli/Usage.h"

namespace vantrel {

namespace {

using CommandFunction = int (*)(const std::vector<std::string>&, const cli::CommandContext&);

const std::map<std::string, CommandFunction>& CommandTable()
{
    static const std::map<std::string, CommandFunction> table = {
        {"sections", cli::RunSectionsCommand},
        {"sign", cli::RunSignCommand},
        {"protect", cli::RunProtectCommand},
        {"verify", cli::RunVerifyCommand},
    };
    return table;
}

int ShowHelp(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        std::cout << cli::ProgramUsage();
        return 0;
    }
    const std::string usage = cli::CommandUsage(arguments.front());
    if (usage.empty())
        return cli::Fail("unknown command '" + arguments.front() + "'; commands: sections, sign, protect, verify");
    std::cout << usage;
    return 0;
}

}  // namespace

bool IsCommandLineInvocation(int argc, char** argv)
{
    if (argc < 2)
        return false;
    const std::string first = argv[1];
    // Options other than these belong to the dialog (for example its
    // screenshot option or the toolkit's own).
    return first == "--help" || first == "-h" || first == "--version" || first.empty() || first[0] != '-';
}

int RunCommandLine(int argc, char** argv)
{
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words.front() == "--help" || words.front() == "-h")
        return ShowHelp({});
    const std::string& command = words.front();
    const std::vector<std::string> arguments(words.begin() + 1, words.end());
    if (command == "--version") {
        std::cout << cli::VersionText();
        return 0;
    }
    if (command == "help")
        return ShowHelp(arguments);
    const auto it = CommandTable().find(command);
    if (it == CommandTable().end())
        return cli::Fail("unknown command '" + command +
                         "'; commands: sections, sign, protect, verify (see vantrel-utility --help)");
    const cli::CommandContext context{cli::FindToolDirectory(), isatty(STDERR_FILENO) == 1};
    return it->second(arguments, context);
}

}  // namespace vantrel
