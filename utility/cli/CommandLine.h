#pragma once

namespace vantrel {

// True when the arguments name a command-line run (a command, "help",
// "--help" or "--version") rather than the dialog (no arguments, or only the
// dialog's own options).
bool IsCommandLineInvocation(int argc, char** argv);

// Runs the command named by the arguments without a window and returns the
// exit status: 0 on success, 1 when the operation or the verification
// failed or its results could not be written to standard output, 2 when the
// command line was refused before anything ran.
int RunCommandLine(int argc, char** argv);

}  // namespace vantrel
