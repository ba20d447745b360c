#include "cli/CommandLine.h"

// The program without its dialog, for builds without Qt: every run is a
// command-line run.
int main(int argc, char** argv)
{
    return vantrel::RunCommandLine(argc, argv);
}
