#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "core/Secret.h"
#include "filereplace/FileReplacement.h"

namespace vantrel {

// Whole-file steps the operations share. Every failure names the file.

// Writes all size bytes to fd, resuming after interruptions and short
// writes: "Could not write FILE: REASON.".
Status WriteAll(int fd, const std::uint8_t* bytes, std::size_t size, const std::filesystem::path& file);

// Refuses a target that the file rules never replace (a symbolic link, a
// device, a FIFO, a folder, a file its owner made read-only); see
// filereplace/FileReplacement.h.
Status CheckReplaceableFile(const std::filesystem::path& target);

// A step of the file rules as a Status: its message with a line end.
Status FromReplaceStatus(const ReplaceStatus& status);

// The owner and permissions a copy is to end up with.
struct FileOwnership {
    unsigned mode = 0644;
    unsigned owner = 0;
    unsigned group = 0;
};

// Copies from into a new file to (which must not exist), readable and
// writable by its owner only while it is worked on, through the kernel's
// copy where it can. Returns from's ownership, for RestoreOwnership. A
// cancel is looked at every 32 MiB (fails with CancelledMessage, no copy).
Outcome<FileOwnership> CopyFileContents(const std::filesystem::path& from, const std::filesystem::path& to,
                                        const CancelCheck& cancelled = {});

// Writes bytes into a new file (which must not exist, and is never followed
// as a link), readable by its owner only, and flushes it to disk.
Status WriteNewFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

// A file written in full under a fresh name beside its target, put in the
// target's place only by Commit (by the file rules); removed when it goes
// uncommitted. Several pending files make a change of several files that
// fails before any of them is replaced.
class PendingFile {
public:
    // Writes bytes beside target; the file gets permissions mode (a key file
    // keeps them whatever the target had).
    static Outcome<PendingFile> Write(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                                      unsigned mode);
    // The same with the contents of the file source, copied in blocks.
    static Outcome<PendingFile> Copy(const std::filesystem::path& target, const std::filesystem::path& source,
                                     unsigned mode);

    // Whether the target may still be replaced (CheckReplaceableFile).
    Status CheckTarget() const;
    // Puts the file in its target's place.
    Status Commit();
    // The same over whatever the target is by then, for a file that every
    // run rewrites (InstallOverLatest).
    Status CommitOverLatest();

private:
    explicit PendingFile(FileReplacement replacement) : replacement_(std::move(replacement)) {}
    FileReplacement replacement_;
};

// The whole file, when it holds at most maxBytes. Every file read whole is
// bounded by what it can be: a larger one, or one that never ends
// (/dev/zero, a FIFO), is refused as soon as one byte more has been read,
// with a message that names the file and what it was to be (kind, e.g. "a
// signature file") and never shows its contents, which may be a key:
// "FILE is larger than N bytes; it cannot be a signature file."
Outcome<std::vector<std::uint8_t>> ReadFileContents(const std::filesystem::path& file, std::size_t maxBytes,
                                                    const std::string& kind);

// The same into memory that is wiped when released, for files that may hold
// a key or a PIN.
Outcome<SecretBytes> ReadSecretFile(const std::filesystem::path& file, std::size_t maxBytes, const std::string& kind);

// The same from a descriptor the caller opened (standard input), named
// shownAs in the messages.
Outcome<SecretBytes> ReadSecretDescriptor(int fd, const std::string& shownAs, std::size_t maxBytes,
                                          const std::string& kind);

// The refusal of text or a file larger than its kind can be:
// "shownAs is larger than N bytes; it cannot be kind."
std::string TooLargeMessage(const std::string& shownAs, std::size_t maxBytes, const std::string& kind);

}  // namespace vantrel
