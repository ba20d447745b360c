#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantrel {

// A tool command line as an argument vector: element 0 is the tool's path,
// the rest are its arguments, each passed as one argument (no shell, so no
// quoting and no injection whatever a path holds).
using ToolArguments = std::vector<std::string>;

// toolDirectory + "/" + tool name.
std::string ToolPath(const std::string& toolDirectory, const std::string& toolName);

// Captured run: the child's standard output and standard error joined in one
// pipe, standard input from /dev/null. One captured run exists per process
// (ToolCapture). Returns the read descriptor, or -1 when the tool could not
// be started (nothing is then left open).
int OpenToolPipe(const ToolArguments& commandLine);

// Result of a poll that saw no data for ten 30 ms steps.
constexpr long PollTimedOut = -1;

// Waits up to 30 ms per step for data (ten empty steps give PollTimedOut) and
// moves at most maximum bytes into destination with one read. Returns the
// count read; 0 at the end of the child's output or when the read fails.
long PollToolPipe(int readHandle, char* destination, std::size_t maximum);

// Closes the current capture and reaps its child: the read end is closed
// first (a child still writing sees a broken pipe), then the child gets a
// short grace period to end and is killed after it.
void CloseToolPipe();

// Result of RunToolAndWait when the tool could not be started.
constexpr int ToolCouldNotStart = -1;

// Runs file with parameters, standard input from /dev/null, and waits
// without a time limit. Returns the child's exit status (0..255; a child
// ended by a signal gives 128 + the signal number), or ToolCouldNotStart.
int RunToolAndWait(const std::string& file, const ToolArguments& parameters);

// The exit status of the child the last CloseToolPipe reaped (as
// RunToolAndWait gives it), or ToolCouldNotStart before the first capture.
int LastCaptureExitStatus();

}  // namespace vantrel
