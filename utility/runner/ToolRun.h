#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/Outcome.h"
#include "core/Progress.h"
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
    // Longest stretch in which no byte moves through the run's byte stream
    // (ToolByteStream); zero: none. A tool that hangs halfway through a
    // large section is stopped by it long before the whole-run limit.
    std::chrono::milliseconds stall{0};
};

// The silence limit of a captured run: 10 s, or the milliseconds in the
// environment variable VANTREL_TOOL_TIMEOUT_MS (tests and slow machines), at
// most a day.
std::chrono::milliseconds DefaultSilenceLimit();
// The limit of a whole run that moves this many bytes (read and written,
// by the tool and through its byte stream): six silence limits, and one
// second more per MiB moved, so a large section on a slow disk (USB stick,
// SD card, network share) is never cut off.
std::chrono::milliseconds RunTimeLimit(std::uintmax_t bytesMoved);

// Section bytes a tool writes into a FIFO of the private folder while it
// runs, handed on block by block as they arrive, so they are never held
// whole. The run stops the tool when take fails (problem keeps take's
// message) or when more than expected bytes come.
struct ToolByteStream {
    int fd = -1;                   // the FIFO, open for reading, non-blocking
    std::uint64_t expected = 0;
    std::function<Status(std::span<const std::uint8_t>)> take;
};

// What a run watches besides the tool's output; both may be empty.
struct ToolRunWatch {
    ToolByteStream* stream = nullptr;
    CancelCheck cancelled;         // asked at least every 100 ms
};

struct ToolRunResult {
    enum class End {
        Exited,         // the tool ended by itself; status holds how
        NotStarted,     // it could not be started; startError holds errno
        Silent,         // it printed nothing for the silence limit and was stopped
        TimedOut,       // it ran past the total limit and was stopped
        TooMuchOutput,  // it printed more than outputBytes and was stopped
        Stalled,        // its byte stream stood still for the stall limit and it was stopped
        Refused,        // the byte stream's taker failed (problem says why) and it was stopped
        Cancelled,      // the cancel check said so and it was stopped
    };
    End end = End::NotStarted;
    int status = -1;      // exit status 0..255, or 128 + signal number
    int startError = 0;
    std::string output;   // standard output and standard error, joined
    std::uint64_t streamed = 0;  // bytes that came through the byte stream (more than expected: too many)
    std::string problem;  // Refused: the taker's message
};

// Runs the tool with standard input from /dev/null and standard output and
// standard error joined in one pipe, in workingDirectory (empty: the current
// one), reads all it prints and waits for its end, within the limits. A tool
// stopped for a limit is killed and reaped; nothing is left running.
// With a watch, the run also takes the byte stream's blocks as they come
// (and whatever is left in the FIFO when the tool has ended) and stops the
// tool within a tenth of a second of a cancel.
ToolRunResult RunTool(const ToolArguments& commandLine, const std::filesystem::path& workingDirectory,
                      const ToolLimits& limits, const ToolRunWatch& watch = {});

}  // namespace vantrel
