#pragma once

namespace vantrel {

// Starts the dialog program: shows the main dialog until it closes and
// returns the exit status. With "--screenshot FILE [IMAGE]" it instead lays
// the dialog out, loads IMAGE when given, writes a PNG picture of the dialog
// to FILE and returns (messages go to standard error, so nothing waits).
int RunDialog(int argc, char** argv);

}  // namespace vantrel
