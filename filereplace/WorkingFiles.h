#pragma once

#include <string>

#include "filereplace/ReplaceStatus.h"
#include "filereplace/UniqueFd.h"

namespace vantrel {

// Working files and private folders beside a target, and what a run that was
// killed leaves of them. Every working name ends in "vantrel-" and six
// letters or digits behind a leading dot. A live run holds a lock (flock) on
// each of its working files and folders; a leftover nobody holds belongs to a
// run that has ended, and the next run in that folder removes it. Age never
// decides: a slow run is never robbed of its files.

// An advisory lock on a folder itself, held while it lives: shared while a
// working name is created and locked, exclusive while leftovers are removed
// or a target is replaced, so neither sees the other halfway.
class FolderLock {
public:
    FolderLock(const std::string& folder, int operation);
    // The descriptor of the folder, for flushing it; -1 when it could not be
    // opened (it is then not locked either).
    int descriptor() const { return fd_.get(); }

private:
    UniqueFd fd_;
};

// The folder that holds path ("." for a bare name).
std::string FolderOf(const std::string& path);
// The last part of path.
std::string BaseNameOf(const std::string& path);

// Removes the leftovers of ended runs from folder: working files and private
// folders of this user that no live run holds. Quiet: what cannot be removed
// stays for another time.
void RemoveLeftoversOfEndedRuns(const std::string& folder);

// A new, locked working file "<folder>/.<name>.vantrel-XXXXXX", readable and
// writable by its owner only. path receives its name.
ReplaceStatus CreateWorkingFile(const std::string& folder, const std::string& name, std::string& path, UniqueFd& fd);

// A private folder "<parent>/.vantrel-XXXXXX" (mkdtemp: its owner only),
// locked while it lives and removed with everything in it when it goes.
class PrivateFolder {
public:
    static ReplaceStatus Create(const std::string& parent, PrivateFolder& folder);
    PrivateFolder() = default;
    PrivateFolder(PrivateFolder&& other) noexcept;
    PrivateFolder& operator=(PrivateFolder&& other) noexcept;
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder();

    const std::string& path() const { return path_; }

private:
    void remove();
    std::string path_;
    UniqueFd lock_;
};

}  // namespace vantrel
