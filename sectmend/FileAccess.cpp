#include "FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sectmend {

std::string RegularFile::reason() const
{
    return notRegular ? "is not a regular file" : std::strerror(error);
}

RegularFile openRegularFile(const std::string& path, int flags)
{
    RegularFile file;
    file.fd.reset(::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC));
    if (!file.fd.valid()) {
        file.error = errno;
        return file;
    }
    struct stat status {};
    if (::fstat(file.fd.get(), &status) != 0) {
        file.error = errno;
        file.fd.reset();
        return file;
    }
    if (!S_ISREG(status.st_mode)) {
        file.notRegular = true;
        file.fd.reset();
        return file;
    }
    const int current = ::fcntl(file.fd.get(), F_GETFL);
    if (current == -1 || ::fcntl(file.fd.get(), F_SETFL, current & ~O_NONBLOCK) != 0) {
        file.error = errno;
        file.fd.reset();
    }
    return file;
}

bool isSpecialFile(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

bool readFullyAt(int fd, std::uint64_t offset, unsigned char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = 0;
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

bool writeFullyAt(int fd, std::uint64_t offset, const unsigned char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, bytes, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool writeFully(int fd, const unsigned char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = EIO;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace sectmend
