#pragma once

#include <string>
#include <vector>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "filereplace/UniqueFd.h"
#include "signing/KeyFiles.h"

namespace vantrel {

// How a command uses a key pair: reading it (signing, export, check,
// verify) shares the folders; replacing it excludes every other command.
enum class KeyLockMode { Shared, Exclusive };

// The lock on the folders that hold a key pair (one folder, or two when the
// key files lie apart), held for the object's lifetime: a lock on the file
// .vantrel-keys.lock in each folder, which a replacement makes and removes
// again; readers wait on it while it is there. Every command that
// reads or writes a pair holds it, so a pair is never read halfway through
// its replacement and two replacements never interleave.
//
// Taking it finishes a replacement that a killed run left (KeyPairJournal.h)
// and removes the working files that dead runs left beside the key files:
// with the folder locked exclusively, no live run can own them.
class KeyFolderLock {
public:
    // Waits for other runs (said on progress when it must), then recovers
    // what dead runs left, reporting what it did on progress.
    static Outcome<KeyFolderLock> Take(const KeyFilePaths& paths, KeyLockMode mode, const Progress& progress);

    KeyLockMode mode() const { return mode_; }

    KeyFolderLock(KeyFolderLock&&) noexcept = default;
    KeyFolderLock& operator=(KeyFolderLock&&) = delete;
    KeyFolderLock(const KeyFolderLock&) = delete;
    KeyFolderLock& operator=(const KeyFolderLock&) = delete;
    // An exclusive lock removes its lock files, still holding them.
    ~KeyFolderLock();

private:
    explicit KeyFolderLock(KeyLockMode mode) : mode_(mode) {}

    std::vector<std::string> paths_;
    std::vector<UniqueFd> files_;
    KeyLockMode mode_;
};

}  // namespace vantrel
