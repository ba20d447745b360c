#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "filereplace/UniqueFd.h"

namespace sectmend {

// Section bytes move through memory in blocks of this size, so a run needs
// the same few mebibytes whatever the section's size.
constexpr std::size_t kStreamBlock = std::size_t{1} << 20;

// The block for moving count bytes: no larger than they need, since most
// sections are far smaller than a block and a fresh block costs its pages.
constexpr std::size_t StreamBlockFor(std::uint64_t count)
{
    return count == 0 ? 1 : count < kStreamBlock ? static_cast<std::size_t>(count) : kStreamBlock;
}

// A descriptor opened by openRegularFile, or why there is none.
struct RegularFile {
    vantrel::UniqueFd fd;
    bool notRegular = false;  // the name leads to a FIFO, a device, a folder...
    int error = 0;            // errno of a failed open otherwise
    // "is not a regular file" or the system's text for error.
    std::string reason() const;
};

// Opens path (flags as for open(2)) without ever blocking: a FIFO or a device
// is refused at once rather than waited on, then the descriptor blocks as
// usual.
RegularFile openRegularFile(const std::string& path, int flags);

// Whether the name leads to an existing file that is not a regular file.
bool isSpecialFile(const std::string& path);

// Whole transfers, resumed after interruptions and short counts. False with
// errno set; a read that meets the end of the file first sets errno to 0.
bool readFullyAt(int fd, std::uint64_t offset, unsigned char* bytes, std::size_t size);
bool writeFullyAt(int fd, std::uint64_t offset, const unsigned char* bytes, std::size_t size);
bool writeFully(int fd, const unsigned char* bytes, std::size_t size);

}  // namespace sectmend
