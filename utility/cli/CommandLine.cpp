#include "cli/CommandLine.h"

#include <unistd.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "cli/StandardStreams.h"
#include "cli/Usage.h"
#include "core/ToolDirectory.h"

namespace vantrel {

namespace {

// The names of the commands, in the order the program lists them.
std::string CommandNames(const std::vector<cli::Command>& commands)
{
    std::string names;
    for (const cli::Command& command : commands)
        names += (names.empty() ? "" : ", ") + command.app->get_name();
    return names;
}

// Our own usage texts replace CLI11's generated help.
int ShowHelp(const std::string& command, const std::vector<cli::Command>& commands)
{
    if (command.empty()) {
        std::cout << cli::ProgramUsage();
        return 0;
    }
    const std::string usage = cli::CommandUsage(command);
    if (usage.empty())
        return cli::UsageError("unknown command '" + command + "'; commands: " + CommandNames(commands));
    std::cout << usage;
    return 0;
}

// The command whose options were given, or "" for the program's own.
std::string ParsedCommand(const CLI::App& program)
{
    const auto parsed = program.get_subcommands();
    return parsed.empty() ? std::string() : parsed.front()->get_name();
}

int ReportParseError(const CLI::App& program, const CLI::ParseError& error,
                     const std::vector<cli::Command>& commands)
{
    const std::string command = ParsedCommand(program);
    const std::vector<std::string> extras = program.remaining();
    // A first word that is no command is left over by the program itself.
    if (command.empty() && dynamic_cast<const CLI::ExtrasError*>(&error) && !extras.empty() &&
        !extras.front().starts_with("-"))
        return cli::UsageError("unknown command '" + extras.front() + "'; commands: " + CommandNames(commands) +
                               " (see vantrel-utility --help)");
    const std::string helpCommand = command.empty() || command == "help" ? "" : command + " ";
    return cli::UsageError(error.what() + std::string(" (see vantrel-utility ") + helpCommand + "--help)");
}

// Where the commands take sectmend, scnlist and the curve file from: the
// folder --tool-dir names, or the program's own; never the working
// directory.
std::string ToolDirectory(const std::string& chosen)
{
    if (chosen.empty())
        return CommandLineToolDirectory();
    std::error_code error;
    const auto absolute = std::filesystem::absolute(chosen, error);
    return error ? chosen : absolute.lexically_normal().string();
}

int RunCommands(int argc, char** argv)
{
    CLI::App program("", cli::ProgramName);
    program.set_version_flag("--version", cli::VersionText());
    program.require_subcommand(0, 1);
    const std::vector<cli::Command> commands = {cli::AddSectionsCommand(program), cli::AddSignCommand(program),
                                                cli::AddProtectCommand(program), cli::AddVerifyCommand(program),
                                                cli::AddKeysCommand(program)};
    std::string toolDirectory;
    for (const cli::Command& command : commands)
        command.app->add_option("--tool-dir", toolDirectory)->check(CLI::ExistingDirectory);
    std::string helpTopic;
    CLI::App* help = program.add_subcommand("help");
    help->add_option("COMMAND", helpTopic);

    try {
        program.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        const std::string command = ParsedCommand(program);
        return ShowHelp(command == "help" ? "" : command, commands);
    } catch (const CLI::CallForVersion&) {
        std::cout << cli::VersionText();
        return 0;
    } catch (const CLI::ParseError& error) {
        return ReportParseError(program, error, commands);
    }

    if (help->parsed())
        return ShowHelp(helpTopic, commands);
    for (const cli::Command& command : commands) {
        if (command.app->parsed()) {
            const cli::CommandContext context{ToolDirectory(toolDirectory), isatty(STDERR_FILENO) == 1};
            if (context.toolDirectory.empty())
                return cli::Fail("cannot find the folder of the running program (/proc/self/exe) for sectmend, "
                                 "scnlist and the curve file; give --tool-dir DIR");
            return command.run(context);
        }
    }
    return ShowHelp("", commands);
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
    cli::StandardStreams streams;
    // Whatever escapes a command (a full disk, no temporary folder, no
    // memory) ends it with one message and status 1, never an abort.
    int status = cli::FailureStatus;
    try {
        status = RunCommands(argc, argv);
    } catch (const std::exception& error) {
        status = cli::Fail(error.what());
    } catch (...) {
        status = cli::Fail("the program stopped on an unexpected error");
    }
    return streams.Finish(status);
}

}  // namespace vantrel
