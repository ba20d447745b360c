#include "runner/ToolCapture.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "runner/ToolRunner.h"

namespace vantrel {

namespace {

constexpr int PollStepMilliseconds = 30;
constexpr int EmptyPollLimit = 10;

// How long CloseToolPipe lets the child end by itself. A child that has
// written all it had ends within a few milliseconds, and one still writing
// ends at its next write into the closed pipe (SIGPIPE); only a child that is
// stuck, or ignores the broken pipe and goes on, is still there afterwards.
// It is killed then, because the operation that closed the capture must not
// hang on it, and its exit status would say nothing useful anyway.
constexpr std::chrono::milliseconds CloseGrace(500);

// The pipe's write end as a descriptor above the standard ones, so that the
// child's dup2 onto 1 and 2 always makes a fresh, inheritable copy.
UniqueFd AboveStandardDescriptors(UniqueFd fd)
{
    if (fd.get() > STDERR_FILENO)
        return fd;
    return UniqueFd(fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
}

}  // namespace

ToolCaptureRecord& ToolCapture()
{
    static ToolCaptureRecord record;
    return record;
}

int OpenToolPipe(const ToolArguments& commandLine)
{
    ToolCaptureRecord& capture = ToolCapture();
    // One captured run at a time: a capture still open is closed first
    // rather than forgotten with its child.
    if (capture.readEnd.valid() || capture.child.running())
        CloseToolPipe();

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return -1;
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd = AboveStandardDescriptors(UniqueFd(ends[1]));
    if (!writeEnd.valid())
        return -1;

    ChildProcess child;
    if (child.start(commandLine, writeEnd.get()) != 0)
        return -1;
    // Only the child holds the write end now, so the end of its output
    // reaches the reader.
    writeEnd.reset();

    capture.readEnd = std::move(readEnd);
    capture.child = std::move(child);
    return capture.readEnd.get();
}

long PollToolPipe(int readHandle, char* destination, std::size_t maximum)
{
    pollfd entry{readHandle, POLLIN, 0};
    for (int step = 0; step < EmptyPollLimit;) {
        const int ready = poll(&entry, 1, PollStepMilliseconds);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return 0;
        if (ready == 0) {
            ++step;
            continue;
        }
        // Data, end of output (POLLHUP) or an error: one read tells which.
        ssize_t count = 0;
        while ((count = read(readHandle, destination, maximum)) < 0 && errno == EINTR) {}
        return count < 0 ? 0 : static_cast<long>(count);
    }
    return PollTimedOut;
}

void CloseToolPipe()
{
    ToolCaptureRecord& capture = ToolCapture();
    capture.readEnd.reset();
    if (capture.child.running())
        capture.lastExitStatus = capture.child.reap(CloseGrace);
}

int LastCaptureExitStatus()
{
    return ToolCapture().lastExitStatus;
}

}  // namespace vantrel
