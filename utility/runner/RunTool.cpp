#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

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

constexpr milliseconds CancelPollInterval(100);
constexpr std::size_t StreamBlockBytes = 1u << 20;

enum class StreamState { Open, Ended, Stop };

// Reads a block from the byte stream and hands it on; drain: everything
// waiting. Stop: the run must stop (end set); Ended: the tool has closed
// the FIFO.
StreamState TakeStreamBytes(ToolByteStream& stream, std::vector<std::uint8_t>& block, ToolRunResult& result,
                            bool drain)
{
    for (;;) {
        const ssize_t count = read(stream.fd, block.data(), block.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return StreamState::Open;  // nothing more for now
        if (count == 0)
            return StreamState::Ended;
        if (result.streamed + static_cast<std::uint64_t>(count) > stream.expected) {
            result.streamed += static_cast<std::uint64_t>(count);
            result.end = ToolRunResult::End::Refused;
            result.problem = "it wrote more than the " + std::to_string(stream.expected) + " bytes expected";
            return StreamState::Stop;
        }
        result.streamed += static_cast<std::uint64_t>(count);
        if (Status taken = stream.take({block.data(), static_cast<std::size_t>(count)}); !taken) {
            result.end = ToolRunResult::End::Refused;
            result.problem = taken.message();
            return StreamState::Stop;
        }
        // One block per turn, so the output and the cancel check are heard
        // while a large section streams.
        if (!drain)
            return StreamState::Open;
    }
}

// Reads the child's output (and its byte stream) until the output ends or a
// limit is reached; sets result.end (Exited meaning: the output ended).
void ReadOutput(int readEnd, const ToolLimits& limits, Clock::time_point deadline, const ToolRunWatch& watch,
                ToolRunResult& result)
{
    using End = ToolRunResult::End;
    const bool watchSilence = limits.silence.count() > 0;
    ToolByteStream* stream = watch.stream;
    bool streamOpen = stream != nullptr;
    const bool watchStall = stream != nullptr && limits.stall.count() > 0;
    Clock::time_point quietUntil = Clock::now() + limits.silence;
    Clock::time_point stillUntil = Clock::now() + limits.stall;
    std::vector<std::uint8_t> block(stream != nullptr ? StreamBlockBytes : 0);
    char buffer[65536];
    for (;;) {
        if (IsCancelled(watch.cancelled)) {
            result.end = End::Cancelled;
            return;
        }
        Clock::time_point next = deadline;
        if (watchSilence)
            next = std::min(next, quietUntil);
        if (watchStall && streamOpen)
            next = std::min(next, stillUntil);
        if (watch.cancelled)
            next = std::min(next, Clock::now() + CancelPollInterval);
        pollfd entries[2] = {{readEnd, POLLIN, 0}, {streamOpen ? stream->fd : -1, POLLIN, 0}};
        const int ready = poll(entries, streamOpen ? 2 : 1, MillisecondsUntil(next));
        if (ready < 0 && errno == EINTR)
            continue;
        const Clock::time_point now = Clock::now();
        if (ready == 0) {
            if (now >= deadline)
                result.end = End::TimedOut;
            else if (watchSilence && now >= quietUntil)
                result.end = End::Silent;
            else if (watchStall && streamOpen && now >= stillUntil)
                result.end = End::Stalled;
            else
                continue;
            return;
        }
        if (streamOpen && entries[1].revents != 0) {
            const std::uint64_t before = result.streamed;
            const StreamState state = TakeStreamBytes(*stream, block, result, false);
            if (state == StreamState::Stop)
                return;
            streamOpen = state == StreamState::Open;
            if (result.streamed != before)
                stillUntil = now + limits.stall;
        }
        if (entries[0].revents == 0)
            continue;
        ssize_t count = 0;
        while ((count = read(readEnd, buffer, sizeof buffer)) < 0 && errno == EINTR) {}
        if (count <= 0) {
            // The tool has closed its output: what it wrote into the stream
            // before is waiting in the FIFO.
            if (streamOpen && TakeStreamBytes(*stream, block, result, true) == StreamState::Stop)
                return;
            result.end = End::Exited;
            return;
        }
        if (result.output.size() + static_cast<std::size_t>(count) > limits.outputBytes) {
            result.output.append(buffer, limits.outputBytes - result.output.size());
            result.end = End::TooMuchOutput;
            return;
        }
        result.output.append(buffer, static_cast<std::size_t>(count));
        quietUntil = now + limits.silence;
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

milliseconds RunTimeLimit(std::uintmax_t bytesMoved)
{
    // A slow disk moves a MiB a second; anything slower is broken.
    constexpr std::uintmax_t BytesPerSecond = 1u << 20;
    constexpr std::uintmax_t MostSeconds = 30LL * 24 * 60 * 60;
    const std::uintmax_t seconds = std::min(bytesMoved / BytesPerSecond, MostSeconds);
    return 6 * DefaultSilenceLimit() + milliseconds(1000 * static_cast<long long>(seconds));
}

ToolRunResult RunTool(const ToolArguments& commandLine, const std::filesystem::path& workingDirectory,
                      const ToolLimits& limits, const ToolRunWatch& watch)
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

    ReadOutput(readEnd.get(), limits, deadline, watch, result);
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
