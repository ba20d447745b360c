#include "RunDialog.h"
#include "cli/CommandLine.h"

// A command (sections, sign, protect, verify, help, --help, --version) runs
// without a window; anything else opens the dialog.
int main(int argc, char** argv)
{
    if (vantrel::IsCommandLineInvocation(argc, argv))
        return vantrel::RunCommandLine(argc, argv);
    return vantrel::RunDialog(argc, argv);
}
