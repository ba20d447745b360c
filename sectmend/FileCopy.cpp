#include "FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "ELFFile.h"
#include "core/UniqueFd.h"
#include "StdioFile.h"

namespace sectmend {

namespace {

constexpr std::size_t kBlockSize = 65536;

enum class CopyFault { None, Read, Write };

struct CopyOutcome {
    CopyFault fault = CopyFault::None;
    int error = 0;
};

bool WriteAll(int fd, const unsigned char* bytes, std::size_t size)
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

// Block copy from the descriptors' current positions to the end of input.
CopyOutcome CopyBlocks(int in, int out)
{
    std::vector<unsigned char> block(kBlockSize);
    for (;;) {
        const ssize_t got = ::read(in, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {CopyFault::Read, errno};
        if (got == 0) return {};
        if (!WriteAll(out, block.data(), static_cast<std::size_t>(got))) return {CopyFault::Write, errno};
    }
}

// The kernel's copy while it serves; the block copy takes over from where it
// stopped when it does not (other file systems, special files) or fails, so
// that a real fault is seen as a read or a write fault.
CopyOutcome CopyContents(int in, int out)
{
    for (;;) {
        const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, 1u << 30, 0);
        if (copied == 0) return {};
        if (copied < 0) {
            if (errno == EINTR) continue;
            return CopyBlocks(in, out);
        }
    }
}

}  // namespace

void copyFile(const std::string& source, const std::string& target)
{
    vantrel::UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) throw ELFFile::EBadFile(source, "can not be opened for reading.");
    vantrel::UniqueFd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!out.valid()) throw ELFFile::EBadFile(target, "can not be opened for writing.");

    CopyOutcome outcome = CopyContents(in.get(), out.get());
    if (outcome.fault == CopyFault::None && !out.close()) outcome = {CopyFault::Write, errno};
    if (outcome.fault == CopyFault::None) return;
    out.close();
    DiscardIncompleteFile(target);
    const std::string reason = std::strerror(outcome.error);
    if (outcome.fault == CopyFault::Read) throw ELFFile::EBadFile(source, "could not be read: " + reason);
    throw ELFFile::EBadFile(target, "could not be written: " + reason);
}

bool sameFile(const std::string& first, const std::string& second)
{
    struct stat a {}, b {};
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace sectmend
