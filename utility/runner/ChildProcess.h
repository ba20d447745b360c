#pragma once

#include <sys/types.h>

#include <chrono>

#include <filesystem>

#include "runner/ToolRun.h"

namespace vantrel {

// One started child process, owned until it has been reaped, so no path
// leaves a zombie behind.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts commandLine[0] with the arguments, no shell. Standard input is
    // /dev/null; standard output and standard error go to outputFd, or stay
    // the parent's when outputFd is -1. The child starts with every signal at
    // its default action and none blocked, whatever the parent set up (so a
    // child writing into a closed pipe ends by SIGPIPE as usual). Returns 0,
    // or the errno value of the failed start (a missing or non-executable
    // tool included), in which case no child exists. A non-empty
    // workingDirectory is the child's working directory. The child is killed
    // when the thread that started it ends (the whole run included), so a
    // killed operation leaves no tool running.
    int start(const ToolArguments& commandLine, int outputFd, const std::filesystem::path& workingDirectory = {});

    bool running() const { return pid_ > 0; }

    // Waits without a time limit. Returns the exit status (0..255), or 128 +
    // the signal number for a child ended by a signal.
    int wait();

    // Waits up to grace for the child to end by itself, then kills it
    // (SIGKILL) and reaps it. Returns its status as wait() does.
    int reap(std::chrono::milliseconds grace);
    // True when the last reap had to kill the child.
    bool killed() const { return killed_; }

private:
    bool tryReap();
    bool waitWithin(std::chrono::milliseconds grace);

    pid_t pid_ = -1;
    int status_ = 0;
    bool killed_ = false;
};

// The exit status or 128 + signal number of a waitpid status.
int ExitStatusOf(int waitStatus);

}  // namespace vantrel
