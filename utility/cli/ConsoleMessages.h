#pragma once

#include <string>

#include "cli/Commands.h"
#include "core/Progress.h"

namespace vantrel::cli {

// The exit statuses: an operation or a verification failed (1), the command
// line was refused before anything ran (2).
constexpr int FailureStatus = 1;
constexpr int UsageStatus = 2;

// Prints the message on standard error, its first line after "ERROR: ";
// returns the failure status 1.
int Fail(const std::string& message);
// The same for a command line refused before anything ran; returns 2.
int UsageError(const std::string& message);
// Prints "WARNING: message" on standard error.
void Warn(const std::string& message);

// Where an operation's progress lines go: standard error when it is a
// terminal, nowhere when it is not (a script reads only the messages).
Progress ProgressLines(const CommandContext& context);

}  // namespace vantrel::cli
