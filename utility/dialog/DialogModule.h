#pragma once

namespace vantrel {

// Loads the dialog module (vantrel-dialog.so: beside the program, as in the
// build tree, else where the package installs it relative to the program,
// never from the working directory) and runs the dialog with the
// arguments; returns its exit status, or 1 with one message when the module
// cannot be loaded.
int OpenDialog(int argc, char** argv);

}  // namespace vantrel
