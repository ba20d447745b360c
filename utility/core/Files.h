#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "core/Outcome.h"

namespace vantrel {

// Whole-file steps the operations share. Every failure names the file.

// Refuses a path that exists and is not a regular file (a device, a FIFO, a
// folder, a symbolic link): operations replace only regular files.
Status CheckReplaceableFile(const std::filesystem::path& target);

// The owner and permissions a copy is to end up with.
struct FileOwnership {
    unsigned mode = 0644;
    unsigned owner = 0;
    unsigned group = 0;
};

// Copies from into a new file to (which must not exist), readable and
// writable by its owner only while it is worked on, through the kernel's
// copy where it can. Returns from's ownership, for RestoreOwnership.
Outcome<FileOwnership> CopyFileContents(const std::filesystem::path& from, const std::filesystem::path& to);

// Gives file the permissions (and, where allowed, the owner) of the original.
Status RestoreOwnership(const std::filesystem::path& file, const FileOwnership& ownership);

// Writes bytes into a new file (which must not exist, and is never followed
// as a link), readable by its owner only, and flushes it to disk.
Status WriteNewFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

// A file written in full under a fresh name beside its target, put in the
// target's place only by Commit; removed when it goes uncommitted. Several
// pending files make a change of several files that fails before any of
// them is replaced.
class PendingFile {
public:
    // Writes bytes (permissions mode, flushed to disk) beside target.
    static Outcome<PendingFile> Write(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                                      unsigned mode);
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile();

    // Whether the target may be replaced (CheckReplaceableFile).
    Status CheckTarget() const;
    // Renames the file over its target (ReplaceFileWith).
    Status Commit();

private:
    PendingFile(std::filesystem::path file, std::filesystem::path target)
        : file_(std::move(file)), target_(std::move(target)) {}

    std::filesystem::path file_;
    std::filesystem::path target_;
};

// The whole file.
Outcome<std::vector<std::uint8_t>> ReadFileContents(const std::filesystem::path& file);

// Puts file in target's place: flushes it to disk, renames it over target
// (same file system) and flushes the folder, so target is always the old
// file or the new one, whatever happens. target must be replaceable.
Status ReplaceFileWith(const std::filesystem::path& file, const std::filesystem::path& target);

}  // namespace vantrel
