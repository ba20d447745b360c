#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "filereplace/UniqueFd.h"
#include "runner/ChildProcess.h"
#include "runner/ToolRun.h"

namespace vantrel {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds DefaultSilence(10000);

// The pipe's write end as a descriptor above the standard ones, so that the
// child's dup2 onto 1 and 2 always makes a fresh, inheritable copy.
UniqueFd AboveStandardDescriptors(UniqueFd fd)
{
    if (fd.get() > STDERR_FILENO)
        return fd;
    return UniqueFd(fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
}

// Whole milliseconds until the deadline, rounded up, at least 0.
int MillisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60 * 60 * 1000));
}

// Reads the child's output until its end or a limit; returns how it ended
// (Exited meaning: the output ended).
ToolRunResult::End ReadOutput(int readEnd, const ToolLimits& limits, Clock::time_point deadline,
                              std::string& output)
{
    using End = ToolRunResult::End;
    const bool watchSilence = limits.silence.count() > 0;
    Clock::time_point quietUntil = Clock::now() + limits.silence;
    char buffer[65536];
    for (;;) {
        const Clock::time_point next = watchSilence ? std::min(deadline, quietUntil) : deadline;
        pollfd entry{readEnd, POLLIN, 0};
        const int ready = poll(&entry, 1, MillisecondsUntil(next));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            if (Clock::now() >= deadline)
                return End::TimedOut;
            if (watchSilence && Clock::now() >= quietUntil)
                return End::Silent;
            continue;
        }
        ssize_t count = 0;
        while ((count = read(readEnd, buffer, sizeof buffer)) < 0 && errno == EINTR) {}
        if (count <= 0)
            return End::Exited;
        if (output.size() + static_cast<std::size_t>(count) > limits.outputBytes) {
            output.append(buffer, limits.outputBytes - output.size());
            return End::TooMuchOutput;
        }
        output.append(buffer, static_cast<std::size_t>(count));
        quietUntil = Clock::now() + limits.silence;
    }
}

}  // namespace

milliseconds DefaultSilenceLimit()
{
    const char* setting = std::getenv("VANTREL_TOOL_TIMEOUT_MS");
    if (setting == nullptr || *setting == '\0')
        return DefaultSilence;
    char* end = nullptr;
    const long long value = std::strtoll(setting, &end, 10);
    if (*end != '\0' || value <= 0)
        return DefaultSilence;
    // Longer than a day is no limit anyone needs; kept there, the run limit
    // (six times it) cannot overflow.
    constexpr long long OneDay = 24LL * 60 * 60 * 1000;
    return milliseconds(std::min(value, OneDay));
}

milliseconds RunTimeLimit(std::uintmax_t imageBytes)
{
    constexpr std::uintmax_t BytesPerSecond = 4u << 20;
    return 6 * DefaultSilenceLimit() + milliseconds(1000 * (imageBytes / BytesPerSecond));
}

ToolRunResult RunTool(const ToolArguments& commandLine, const std::filesystem::path& workingDirectory,
                      const ToolLimits& limits)
{
    using End = ToolRunResult::End;
    ToolRunResult result;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        result.startError = errno;
        return result;
    }
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd = AboveStandardDescriptors(UniqueFd(ends[1]));
    if (!writeEnd.valid()) {
        result.startError = errno;
        return result;
    }
    const Clock::time_point deadline = Clock::now() + limits.total;
    ChildProcess child;
    if (const int error = child.start(commandLine, writeEnd.get(), workingDirectory); error != 0) {
        result.startError = error;
        return result;
    }
    // Only the child holds the write end now, so the end of its output
    // reaches the reader.
    writeEnd.reset();

    result.end = ReadOutput(readEnd.get(), limits, deadline, result.output);
    readEnd.reset();
    if (result.end != End::Exited) {
        result.status = child.reap(milliseconds(0));
        return result;
    }
    // The output has ended; the tool gets what is left of its time to exit.
    result.status = child.reap(milliseconds(MillisecondsUntil(deadline)));
    if (child.killed())
        result.end = End::TimedOut;
    return result;
}

}  // namespace vantrel
