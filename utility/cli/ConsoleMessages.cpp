#include "cli/ConsoleMessages.h"

#include <iostream>
#include <sstream>

#include "core/Outcome.h"

namespace vantrel::cli {

namespace {

int Print(const std::string& message, int status)
{
    // The core's messages may span lines (a tool's own words follow ours);
    // each is printed without the blanks it ends with.
    std::istringstream lines(MessageLine(message));
    std::string line;
    std::string prefix = "ERROR: ";
    while (std::getline(lines, line)) {
        std::cerr << prefix << MessageLine(line) << '\n';
        prefix.clear();
    }
    if (!prefix.empty())
        std::cerr << prefix << "the operation failed\n";
    std::cerr.flush();
    return status;
}

}  // namespace

int Fail(const std::string& message)
{
    return Print(message, FailureStatus);
}

int UsageError(const std::string& message)
{
    return Print(message, UsageStatus);
}

void Warn(const std::string& message)
{
    std::cerr << "WARNING: " << message << std::endl;
}

Progress ProgressLines(const CommandContext& context)
{
    if (!context.showProgress)
        return {};
    return [](const std::string& line) { std::cerr << line << std::endl; };
}

}  // namespace vantrel::cli
