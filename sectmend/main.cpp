#include <cstdio>
#include <exception>
#include <new>

#include "Driver.h"

int main(int argc, char* argv[])
{
    // Messages appear in the order they are made, whatever is buffered.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    try {
        return sectmend::RunSectmend(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("ERROR: Not enough memory.\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ERROR: %s\n", error.what());
    }
    return 1;
}
