#include "core/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "filereplace/UniqueFd.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

Status FileProblem(const std::string& what, const fs::path& file, int error)
{
    return Status::Fail("Could not " + what + " " + file.string() + ": " + std::strerror(error) + ".\n");
}

// The bytes copied between two looks at a cancel check: a fraction of a
// second on any disk, so a large image's copy can be cancelled.
constexpr off_t CopyStepBytes = off_t{32} << 20;

// Copies size bytes of in to out: the kernel's copy first, a plain loop for
// file systems that refuse it; stops with CancelledMessage when cancelled
// says so between steps.
Status CopyDescriptor(int in, int out, off_t size, const fs::path& to, const CancelCheck& cancelled)
{
    off_t done = 0;
    while (done < size) {
        if (IsCancelled(cancelled))
            return Status::Fail(CancelledMessage);
        const off_t step = std::min(size - done, CopyStepBytes);
        const ssize_t count = copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(step), 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) && done == 0)
            break;
        if (count < 0)
            return FileProblem("write", to, errno);
        if (count == 0)
            return Status::Fail("Could not copy into " + to.string() + ": the source ended early.\n");
        done += count;
    }
    std::vector<std::uint8_t> buffer(done < size ? 1 << 16 : 0);
    off_t sinceLook = 0;
    while (done < size) {
        if (sinceLook >= CopyStepBytes) {
            if (IsCancelled(cancelled))
                return Status::Fail(CancelledMessage);
            sinceLook = 0;
        }
        const ssize_t count = read(in, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return Status::Fail("Could not copy into " + to.string() + ": the source could not be read.\n");
        if (Status written = WriteAll(out, buffer.data(), static_cast<std::size_t>(count), to); !written)
            return written;
        done += count;
        sinceLook += count;
    }
    return Done{};
}

void RemoveQuietly(const fs::path& file)
{
    std::error_code ignored;
    fs::remove(file, ignored);
}

// Writes bytes into the freshly created file, flushes it to disk and closes
// it; on failure the file goes. Messages name shownAs.
Status FillNewFile(UniqueFd& out, const fs::path& file, std::span<const std::uint8_t> bytes, const fs::path& shownAs)
{
    Status written = WriteAll(out.get(), bytes.data(), bytes.size(), shownAs);
    if (written && fsync(out.get()) != 0)
        written = FileProblem("write", shownAs, errno);
    if (written && !out.close())
        written = FileProblem("write", shownAs, errno);
    if (!written)
        RemoveQuietly(file);
    return written;
}

// Reads fd to its end into bytes, refusing more than maxBytes. A regular
// file larger than that is refused by its size, unread; anything else (a
// device, a pipe) is read in chunks until one byte too many has come.
template <class Container>
Outcome<Container> ReadBounded(int fd, const std::string& shownAs, std::size_t maxBytes, const std::string& kind)
{
    using Result = Outcome<Container>;
    Container bytes;
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        const auto size = static_cast<std::uintmax_t>(status.st_size);
        if (size > maxBytes)
            return Result::Fail(TooLargeMessage(shownAs, maxBytes, kind));
        bytes.reserve(static_cast<std::size_t>(size) + 1);
    }
    constexpr std::size_t Chunk = 1 << 16;
    for (;;) {
        const std::size_t used = bytes.size();
        if (used > maxBytes)
            return Result::Fail(TooLargeMessage(shownAs, maxBytes, kind));
        bytes.resize(used + std::min(Chunk, maxBytes + 1 - used));
        ssize_t count = 0;
        while ((count = read(fd, bytes.data() + used, bytes.size() - used)) < 0 && errno == EINTR) {}
        const int error = errno;
        bytes.resize(used + static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
        if (count < 0)
            return Result::Fail("Could not read " + shownAs + ": " + std::strerror(error) + ".\n");
        if (count == 0)
            return bytes;
    }
}

}  // namespace

Status WriteAll(int fd, const std::uint8_t* bytes, std::size_t size, const fs::path& file)
{
    while (size > 0) {
        const ssize_t count = write(fd, bytes, size);
        if (count < 0 && errno == EINTR)
            continue;
        // A write that takes nothing has found no room.
        if (count <= 0)
            return FileProblem("write", file, count < 0 ? errno : ENOSPC);
        bytes += count;
        size -= static_cast<std::size_t>(count);
    }
    return Done{};
}

Status FromReplaceStatus(const ReplaceStatus& status)
{
    if (status)
        return Done{};
    return Status::Fail(status.message() + "\n");
}

Status CheckReplaceableFile(const fs::path& target)
{
    TargetState state;
    return FromReplaceStatus(InspectTarget(target.string(), state));
}

Outcome<FileOwnership> CopyFileContents(const fs::path& from, const fs::path& to, const CancelCheck& cancelled)
{
    using Result = Outcome<FileOwnership>;
    UniqueFd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!in.valid() || fstat(in.get(), &status) != 0)
        return Result::Fail(FileProblem("read", from, errno).message());
    if (!S_ISREG(status.st_mode))
        return Result::Fail("Could not read " + from.string() + ": it is not a regular file.\n");
    UniqueFd out(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid())
        return Result::Fail(FileProblem("create", to, errno).message());
    Status copied = CopyDescriptor(in.get(), out.get(), status.st_size, to, cancelled);
    // The copy goes to disk while the operation works on it, so the flush
    // before it is put in place finds little left to write.
    if (copied)
        sync_file_range(out.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    if (copied && !out.close())
        copied = FileProblem("write", to, errno);
    if (!copied) {
        RemoveQuietly(to);
        return Result::Fail(copied.message());
    }
    return FileOwnership{status.st_mode & 07777, status.st_uid, status.st_gid};
}

Status WriteNewFile(const fs::path& file, std::span<const std::uint8_t> bytes)
{
    UniqueFd out(open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid())
        return FileProblem("create", file, errno);
    return FillNewFile(out, file, bytes, file);
}

Outcome<PendingFile> PendingFile::Write(const fs::path& target, std::span<const std::uint8_t> bytes, unsigned mode)
{
    FileReplacement replacement(target.string(), FileMode::Always(mode));
    if (ReplaceStatus begun = replacement.begin(); !begun)
        return Outcome<PendingFile>::Fail(begun.message() + "\n");
    if (Status written = WriteAll(replacement.descriptor(), bytes.data(), bytes.size(), target); !written)
        return Outcome<PendingFile>::Fail(written.message());
    return PendingFile(std::move(replacement));
}

Outcome<PendingFile> PendingFile::Copy(const fs::path& target, const fs::path& source, unsigned mode)
{
    UniqueFd in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!in.valid() || fstat(in.get(), &status) != 0)
        return Outcome<PendingFile>::Fail(FileProblem("read", source, errno).message());
    FileReplacement replacement(target.string(), FileMode::Always(mode));
    if (ReplaceStatus begun = replacement.begin(); !begun)
        return Outcome<PendingFile>::Fail(begun.message() + "\n");
    if (Status copied = CopyDescriptor(in.get(), replacement.descriptor(), status.st_size, target, {}); !copied)
        return Outcome<PendingFile>::Fail(copied.message());
    return PendingFile(std::move(replacement));
}

Status PendingFile::CheckTarget() const
{
    return CheckReplaceableFile(replacement_.target());
}

Status PendingFile::Commit()
{
    return FromReplaceStatus(replacement_.commit());
}

Status PendingFile::CommitOverLatest()
{
    return FromReplaceStatus(replacement_.commitOverLatest());
}

std::string TooLargeMessage(const std::string& shownAs, std::size_t maxBytes, const std::string& kind)
{
    return shownAs + " is larger than " + std::to_string(maxBytes) + " bytes; it cannot be " + kind + ".\n";
}

Outcome<std::vector<std::uint8_t>> ReadFileContents(const fs::path& file, std::size_t maxBytes, const std::string& kind)
{
    UniqueFd in(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return Outcome<std::vector<std::uint8_t>>::Fail(FileProblem("read", file, errno).message());
    return ReadBounded<std::vector<std::uint8_t>>(in.get(), file.string(), maxBytes, kind);
}

Outcome<SecretBytes> ReadSecretFile(const fs::path& file, std::size_t maxBytes, const std::string& kind)
{
    UniqueFd in(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return Outcome<SecretBytes>::Fail(FileProblem("read", file, errno).message());
    return ReadBounded<SecretBytes>(in.get(), file.string(), maxBytes, kind);
}

Outcome<SecretBytes> ReadSecretDescriptor(int fd, const std::string& shownAs, std::size_t maxBytes,
                                          const std::string& kind)
{
    return ReadBounded<SecretBytes>(fd, shownAs, maxBytes, kind);
}

}  // namespace vantrel
