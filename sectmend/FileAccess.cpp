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

namespace {

// Repeats step (given the count moved so far, it moves more and returns how
// many, 0 at the end of the file, -1 with errno) until size bytes moved. The
// end of the file before that sets errno to endError.
template <typename Step>
bool MoveAll(std::size_t size, int endError, Step step)
{
    for (std::size_t done = 0; done < size;) {
        const ssize_t moved = step(done);
        if (moved < 0 && errno == EINTR) continue;
        if (moved <= 0) {
            if (moved == 0) errno = endError;
            return false;
        }
        done += static_cast<std::size_t>(moved);
    }
    return true;
}

}  // namespace

bool readFullyAt(int fd, std::uint64_t offset, unsigned char* bytes, std::size_t size)
{
    return MoveAll(size, 0, [&](std::size_t done) {
        return ::pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
    });
}

bool writeFullyAt(int fd, std::uint64_t offset, const unsigned char* bytes, std::size_t size)
{
    return MoveAll(size, EIO, [&](std::size_t done) {
        return ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
    });
}

bool writeFully(int fd, const unsigned char* bytes, std::size_t size)
{
    return MoveAll(size, EIO, [&](std::size_t done) { return ::write(fd, bytes + done, size - done); });
}

}  // namespace sectmend
