#include "runner/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace vantrel {

namespace {

// Owners of the two posix_spawn descriptions.
class SpawnFileActions {
public:
    SpawnFileActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnFileActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
public:
    SpawnAttributes() { posix_spawnattr_init(&attributes_); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

int DescribeStart(SpawnFileActions& actions, SpawnAttributes& attributes, int outputFd,
                  const std::filesystem::path& workingDirectory)
{
    int error = 0;
    if (!workingDirectory.empty())
        error = posix_spawn_file_actions_addchdir_np(actions.get(), workingDirectory.c_str());
    if (error == 0)
        error = posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (error == 0 && outputFd >= 0)
        error = posix_spawn_file_actions_adddup2(actions.get(), outputFd, STDOUT_FILENO);
    if (error == 0 && outputFd >= 0)
        error = posix_spawn_file_actions_adddup2(actions.get(), outputFd, STDERR_FILENO);

    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    if (error == 0)
        error = posix_spawnattr_setsigdefault(attributes.get(), &all);
    if (error == 0)
        error = posix_spawnattr_setsigmask(attributes.get(), &none);
    if (error == 0)
        error = posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    return error;
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

    SpawnFileActions actions;
    SpawnAttributes attributes;
    if (const int error = DescribeStart(actions, attributes, outputFd, workingDirectory); error != 0)
        return error;

    std::vector<char*> argv;
    argv.reserve(commandLine.size() + 1);
    for (const std::string& argument : commandLine)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // glibc's posix_spawn reports a failed exec (missing file, no execute
    // permission) as its own result, so a tool that did not start is known
    // here and never looks like a silent one.
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], actions.get(), attributes.get(), argv.data(), environ);
    if (error != 0)
        return error;
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
