#include "FilePatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/UniqueFd.h"

namespace sectmend {

namespace {

bool WriteAllAt(int fd, std::uint64_t offset, const unsigned char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

}  // namespace

bool patchFile(const std::string& target, std::uint64_t offset, const unsigned char* bytes, std::size_t size)
{
    // No O_CREAT: the target must exist already.
    vantrel::UniqueFd file(::open(target.c_str(), O_RDWR | O_CLOEXEC));
    const bool written = file.valid() && WriteAllAt(file.get(), offset, bytes, size);
    if (written && file.close()) return true;
    std::fputs("ERROR: Could not replace the section data.\n", stderr);
    return false;
}

}  // namespace sectmend
