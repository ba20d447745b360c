#include "runner/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>
#include <vector>

#include "filereplace/UniqueFd.h"

extern char** environ;

namespace vantrel {

namespace {

// What the child does between fork and exec: only async-signal-safe calls,
// since the parent may have other threads. It dies with the process that
// started it (PR_SET_PDEATHSIG), so a killed operation never leaves a tool
// running on its files; a parent that died before that was set is seen by
// getppid. A failed step's errno goes to the parent through errorPipe.
[[noreturn]] void RunChild(char* const* argv, int outputFd, const char* workingDirectory, pid_t parent, int errorPipe)
{
    int error = 0;
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        _exit(127);
    if (workingDirectory != nullptr && chdir(workingDirectory) != 0)
        error = errno;
    const int input = error == 0 ? open("/dev/null", O_RDONLY) : -1;
    if (error == 0 && (input < 0 || dup2(input, STDIN_FILENO) < 0))
        error = errno;
    if (error == 0 && outputFd >= 0 && (dup2(outputFd, STDOUT_FILENO) < 0 || dup2(outputFd, STDERR_FILENO) < 0))
        error = errno;
    // Every signal at its default action and none blocked, whatever the
    // parent set up.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int signal = 1; error == 0 && signal < NSIG; ++signal)
        sigaction(signal, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    if (error == 0)
        sigprocmask(SIG_SETMASK, &none, nullptr);
    if (error == 0) {
        execve(argv[0], argv, environ);
        error = errno;
    }
    while (write(errorPipe, &error, sizeof error) < 0 && errno == EINTR) {}
    _exit(127);
}

// Waits for the child's end up to grace through a process descriptor, so the
// wait ends the moment the child does; false on timeout or when the kernel
// has no process descriptors (the caller then polls).
bool PollProcessDescriptor(pid_t pid, std::chrono::milliseconds grace, bool& supported)
{
    const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    supported = fd >= 0;
    if (!supported)
        return false;
    pollfd entry{fd, POLLIN, 0};
    int ready = 0;
    while ((ready = poll(&entry, 1, static_cast<int>(grace.count()))) < 0 && errno == EINTR) {}
    close(fd);
    return ready > 0;
}

}  // namespace

int ExitStatusOf(int waitStatus)
{
    if (WIFEXITED(waitStatus))
        return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus))
        return 128 + WTERMSIG(waitStatus);
    return 255;
}

ChildProcess::~ChildProcess()
{
    if (running())
        reap(std::chrono::milliseconds(500));
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), status_(other.status_)
{
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        if (running())
            reap(std::chrono::milliseconds(500));
        pid_ = std::exchange(other.pid_, -1);
        status_ = other.status_;
    }
    return *this;
}

int ChildProcess::start(const ToolArguments& commandLine, int outputFd, const std::filesystem::path& workingDirectory)
{
    if (running())
        reap(std::chrono::milliseconds(500));
    if (commandLine.empty())
        return EINVAL;

    std::vector<char*> argv;
    argv.reserve(commandLine.size() + 1);
    for (const std::string& argument : commandLine)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string directory = workingDirectory.string();

    // The child reports a failed start (missing file, no execute permission)
    // through a pipe that its exec closes, so a tool that did not start is
    // known here and never looks like a silent one.
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0)
        return errno;
    UniqueFd readEnd(errorPipe[0]), writeEnd(errorPipe[1]);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        return errno;
    if (pid == 0)
        RunChild(argv.data(), outputFd, directory.empty() ? nullptr : directory.c_str(), parent, writeEnd.get());
    writeEnd.reset();
    int childError = 0;
    ssize_t count = 0;
    while ((count = read(readEnd.get(), &childError, sizeof childError)) < 0 && errno == EINTR) {}
    if (count == static_cast<ssize_t>(sizeof childError)) {
        int ignored = 0;
        while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {}
        return childError;
    }
    pid_ = pid;
    return 0;
}

int ChildProcess::wait()
{
    if (!running())
        return status_;
    int waitStatus = 0;
    pid_t done = 0;
    while ((done = waitpid(pid_, &waitStatus, 0)) < 0 && errno == EINTR) {}
    status_ = done == pid_ ? ExitStatusOf(waitStatus) : 255;
    pid_ = -1;
    return status_;
}

bool ChildProcess::tryReap()
{
    int waitStatus = 0;
    pid_t done = 0;
    while ((done = waitpid(pid_, &waitStatus, WNOHANG)) < 0 && errno == EINTR) {}
    if (done == 0)
        return false;
    status_ = done == pid_ ? ExitStatusOf(waitStatus) : 255;
    pid_ = -1;
    return true;
}

bool ChildProcess::waitWithin(std::chrono::milliseconds grace)
{
    bool supported = false;
    const bool ended = PollProcessDescriptor(pid_, grace, supported);
    if (supported)
        return ended && tryReap();
    // No process descriptors: look every 2 ms until grace is over.
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (tryReap())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return tryReap();
}

int ChildProcess::reap(std::chrono::milliseconds grace)
{
    if (!running())
        return status_;
    killed_ = false;
    if (waitWithin(grace))
        return status_;
    kill(pid_, SIGKILL);
    killed_ = true;
    return wait();
}

}  // namespace vantrel
