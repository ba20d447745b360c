#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <new>

#include "Driver.h"

namespace {

// A descriptor 0, 1 or 2 that the caller closed would be handed to the next
// file opened, and the image would then receive the messages or be read as
// the replacement bytes. Each is taken by /dev/null opened the wrong way
// round, so that using the missing stream fails as a closed one would.
void OccupyClosedStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        const int opened = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (opened > 2) ::close(opened);
    }
}

int Run(int argc, char* argv[])
{
    try {
        return sectmend::RunSectmend(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("ERROR: Not enough memory.\n", stderr);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ERROR: %s\n", error.what());
    }
    return 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    OccupyClosedStandardDescriptors();
    // Messages appear in the order they are made, whatever is buffered.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    const int status = Run(argc, argv);
    // Output that did not reach its place is a failure, even when it was
    // only found on closing.
    if (std::fclose(stdout) != 0 && status == 0) {
        std::fputs("ERROR: The standard output could not be written.\n", stderr);
        return 1;
    }
    return status;
}
