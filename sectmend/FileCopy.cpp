#include "FileCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "ELFFile.h"
#include "FileAccess.h"

namespace sectmend {

namespace {

constexpr std::size_t kBlockSize = 65536;

enum class CopyFault { None, Read, Write };

struct CopyOutcome {
    CopyFault fault = CopyFault::None;
    int error = 0;
};

// Block copy from the descriptors' current positions to the end of input.
CopyOutcome CopyBlocks(int in, int out)
{
    std::vector<unsigned char> block(kBlockSize);
    for (;;) {
        const ssize_t got = ::read(in, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {CopyFault::Read, errno};
        if (got == 0) return {};
        if (!writeFully(out, block.data(), static_cast<std::size_t>(got))) return {CopyFault::Write, errno};
    }
}

// The kernel's copy while it serves; the block copy takes over from where it
// stopped when it does not (other file systems) or fails, so that a real
// fault is seen as a read or a write fault.
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

void copyFile(const std::string& source, int target, const std::string& targetName)
{
    const RegularFile in = openRegularFile(source, O_RDONLY);
    if (!in.fd.valid()) throw ELFFile::EBadFile(source, "can not be opened for reading.");
    const CopyOutcome outcome = CopyContents(in.fd.get(), target);
    if (outcome.fault == CopyFault::None) return;
    const std::string reason = std::strerror(outcome.error);
    if (outcome.fault == CopyFault::Read) throw ELFFile::EBadFile(source, "could not be read: " + reason);
    throw ELFFile::EBadFile(targetName, "could not be written: " + reason);
}

bool sameFile(const std::string& first, const std::string& second)
{
    struct stat a {}, b {};
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace sectmend
