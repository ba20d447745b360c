#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/ToolDirectory.h"

namespace vantrel {

// A tool command line as an argument vector: element 0 is the tool's path,
// the rest are its arguments, each passed as one argument (no shell, so no
// quoting and no injection whatever a path holds).
using ToolArguments = std::vector<std::string>;

// How long and how much a tool may take before it is stopped. The limits sit
// far above any healthy run, so a busy machine never fails an operation, and
// a hung or runaway tool never hangs or floods one.
struct ToolLimits {
    // Longest stretch without any output; zero: none (a tool that writes to a
    // file and prints nothing when it succeeds).
    std::chrono::milliseconds silence{0};
    // Longest whole run.
    std::chrono::milliseconds total{60000};
    // Most output kept; more stops the tool.
    std::size_t outputBytes = 64 * 1024;
};

// The silence limit of a captured run: 10 s, or the milliseconds in the
// environment variable VANTREL_TOOL_TIMEOUT_MS (tests and slow machines), at
// most a day.
std::chrono::milliseconds DefaultSilenceLimit();
// The limit of a whole run on an image of this many bytes: six silence
// limits, and one second more per 4 MiB of image.
std::chrono::milliseconds RunTimeLimit(std::uintmax_t imageBytes);

struct ToolRunResult {
    enum class End {
        Exited,         // the tool ended by itself; status holds how
        NotStarted,     // it could not be started; startError holds errno
        Silent,         // it printed nothing for the silence limit and was stopped
        TimedOut,       // it ran past the total limit and was stopped
        TooMuchOutput,  // it printed more than outputBytes and was stopped
    };
    End end = End::NotStarted;
    int status = -1;      // exit status 0..255, or 128 + signal number
    int startError = 0;
    std::string output;   // standard output and standard error, joined
};

// Runs the tool with standard input from /dev/null and standard output and
// standard error joined in one pipe, in workingDirectory (empty: the current
// one), reads all it prints and waits for its end, within the limits. A tool
// stopped for a limit is killed and reaped; nothing is left running.
ToolRunResult RunTool(const ToolArguments& commandLine, const std::filesystem::path& workingDirectory,
                      const ToolLimits& limits);

}  // namespace vantrel
