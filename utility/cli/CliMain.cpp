#include "cli/CommandLine.h"

#ifdef VANTREL_DIALOG_MODULE
#include "DialogModule.h"
#endif

// A command (sections, sign, protect, verify, keys, help, --help,
// --version) runs without a window; anything else opens the dialog, whose
// module is loaded only then. Built without the dialog, every run is a
// command-line run.
int main(int argc, char** argv)
{
#ifdef VANTREL_DIALOG_MODULE
    if (!vantrel::IsCommandLineInvocation(argc, argv))
        return vantrel::OpenDialog(argc, argv);
#endif
    return vantrel::RunCommandLine(argc, argv);
}
