#pragma once

namespace vantrel {

// True when the arguments name a command-line run (a command, "help",
// "--help" or "--version") rather than the dialog (no arguments, or only the
// dialog's own options).
bool IsCommandLineInvocation(int argc, char** argv);

// Runs the command named by the arguments without a window and returns the
// exit status: 0 on success, 1 on failure.
int RunCommandLine(int argc, char** argv);

}  // namespace vantrel
