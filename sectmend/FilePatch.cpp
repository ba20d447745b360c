#include "FilePatch.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "FileAccess.h"
#include "ReplacementInput.h"

namespace sectmend {

namespace {

bool Fail(const std::string& target, int error)
{
    std::fprintf(stderr, "ERROR: Could not replace the section data of '%s': %s.\n", target.c_str(),
                 std::strerror(error));
    return false;
}

// Allocates the blocks under the range without changing a byte or the size.
bool ReserveBlocks(int fd, std::uint64_t offset, std::uint64_t size)
{
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(size)) == 0) return true;
    return errno == EOPNOTSUPP || errno == ENOSYS;
}

}  // namespace

bool writeReplacement(int fd, std::uint64_t offset, std::uint64_t size, ReplacementInput& input)
{
    std::vector<unsigned char> block(StreamBlockFor(size));
    for (std::uint64_t done = 0; done < size;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - done));
        if (!input.next(block.data(), count)) {
            errno = 0;
            return false;
        }
        if (!writeFullyAt(fd, offset + done, block.data(), count)) return false;
        done += count;
    }
    return true;
}

bool patchFile(const std::string& target, std::uint64_t offset, std::uint64_t size, ReplacementInput& input)
{
    RegularFile file = openRegularFile(target, O_RDWR);
    if (!file.fd.valid()) {
        if (file.notRegular) {
            std::fprintf(stderr, "ERROR: Could not replace the section data of '%s': it is not a regular file.\n",
                         target.c_str());
            return false;
        }
        return Fail(target, file.error);
    }
    if (!ReserveBlocks(file.fd.get(), offset, size)) return Fail(target, errno);
    if (!writeReplacement(file.fd.get(), offset, size, input)) return errno == 0 ? false : Fail(target, errno);
    if (!file.fd.close()) return Fail(target, errno);
    return true;
}

}  // namespace sectmend
