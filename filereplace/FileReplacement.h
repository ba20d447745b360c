#pragma once

#include <sys/stat.h>

#include <string>

#include "filereplace/ReplaceStatus.h"
#include "filereplace/UniqueFd.h"

namespace vantrel {

// The one set of rules by which sectmend and vantrel-utility replace a file:
// - the new contents are written under a fresh name beside the target
//   (O_EXCL, never through a link), flushed, and renamed over the target,
//   then the folder is flushed, so the target is always the old file or the
//   new one, whatever happens; a failure of any of these steps is reported;
// - a symbolic link given as the target is refused by name, never followed;
// - a device, a FIFO, a folder is never replaced;
// - a target its owner made read-only is refused, as it would not be
//   overwritten (root included);
// - the new file gets the target's mode, owner and group; when the user may
//   not keep the owner or group, the target is refused, never given away;
// - a target that someone else changed after it was looked at is not
//   replaced, so two runs on one file never both report success.

// The permissions of the new file: the target's (or bits when there is no
// target), or bits whatever the target had (a private key file).
struct FileMode {
    unsigned bits = 0644;
    bool keepTarget = true;
    static FileMode KeepTargetElse(unsigned bits) { return {bits, true}; }
    static FileMode Always(unsigned bits) { return {bits, false}; }
};

// A target as it was looked at: absent, or this file.
struct TargetState {
    std::string path;
    bool exists = false;
    struct stat status {};
};

// Looks at target and applies the rules that can be checked before anything
// is written (links, devices and FIFOs, read-only).
ReplaceStatus InspectTarget(const std::string& target, TargetState& state);

// Puts the complete file working (open as fd, on the target's file system)
// in the target's place by the rules: mode.bits when the target did not
// exist, else the target's owner and group and mode (as FileMode says); flushes, checks that the
// target is still as state saw it (else "PATH changed while it was being
// <activity>; nothing was written."), renames, flushes the folder.
ReplaceStatus InstallFile(int fd, const std::string& working, const TargetState& state, FileMode mode,
                          const std::string& activity = "written");

// The same for a file that every run rewrites, such as the record of the
// last signature made in a folder: the target is looked at again under the
// folder's lock when the file is installed, and whatever another run put
// there in the meantime is replaced, so the later run's file stays. The other
// rules (links, devices, read-only, owner) apply to the target as it is then.
ReplaceStatus InstallOverLatest(int fd, const std::string& working, const std::string& target, FileMode mode);

// A file written in full under a fresh name beside its target and put in the
// target's place only by commit(); removed when it goes uncommitted. While it
// lives it is locked, so a later run in the folder can tell it from the
// leftover of a run that was killed, which that run removes.
class FileReplacement {
public:
    FileReplacement(std::string target, FileMode mode, std::string activity = "written");
    ~FileReplacement();
    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&&) = delete;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Inspects the target and creates the working file (mode 0600).
    ReplaceStatus begin();
    int descriptor() const { return fd_.get(); }
    const std::string& workingPath() const { return working_; }
    const std::string& target() const { return state_.path; }
    // Installs the working file (InstallFile); nothing is replaced on failure.
    ReplaceStatus commit();
    // Installs it over whatever the target is by then (InstallOverLatest).
    ReplaceStatus commitOverLatest();

private:
    TargetState state_;
    FileMode mode_;
    std::string activity_;
    std::string working_;
    UniqueFd fd_;
};

// The permissions open(2) gives a file it creates with mode 0666.
unsigned NewFileModeFromUmask();

}  // namespace vantrel
