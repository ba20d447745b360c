#include "ElfDescriptor.h"

#include <fcntl.h>
#include <unistd.h>

namespace sectmend {

int elf_open(const char* path, int flags, mode_t mode)
{
    return ::open(path, flags | O_CLOEXEC, mode);
}

int elf_close(int descriptor)
{
    return ::close(descriptor);
}

}  // namespace sectmend
