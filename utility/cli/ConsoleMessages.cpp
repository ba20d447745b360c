#include "cli/ConsoleMessages.h"

#include <iostream>
#include <string_view>
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
    // A step over a large section reports its count many times; the
    // terminal gets the step once.
    return [shown = std::string()](const std::string& line) mutable {
        const std::string_view step = ByteProgress::StepOf(line);
        if (step == shown)
            return;
        shown = std::string(step);
        std::cerr << shown << std::endl;
    };
}

}  // namespace vantrel::cli
