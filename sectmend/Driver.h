#pragma once

namespace sectmend {

// The whole program: parses the command line, gets or replaces one section,
// reports on the standard error stream. Returns the exit status, 0 or 1.
int RunSectmend(int argc, char* argv[]);

}  // namespace sectmend
