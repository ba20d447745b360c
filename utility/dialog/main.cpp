#include <exception>
#include <iostream>

#include "RunDialog.h"
#include "cli/CommandLine.h"

// A command (sections, sign, protect, verify, help, --help, --version) runs
// without a window; anything else opens the dialog. Whatever escapes either
// is reported as one message with status 1, never as an abort.
int main(int argc, char** argv)
{
    try {
        if (vantrel::IsCommandLineInvocation(argc, argv))
            return vantrel::RunCommandLine(argc, argv);
        return vantrel::RunDialog(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "ERROR: " << error.what() << std::endl;
    } catch (...) {
        std::cerr << "ERROR: the program stopped on an unexpected error" << std::endl;
    }
    return 1;
}
