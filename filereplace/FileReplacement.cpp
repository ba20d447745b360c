#include "filereplace/FileReplacement.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "filereplace/WorkingFiles.h"

namespace vantrel {

namespace {

std::string Problem(const std::string& what, const std::string& file, int error)
{
    return "Could not " + what + " " + file + ": " + std::strerror(error) + ".";
}

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether the target is still what state saw: absent, or the same file with
// the same size and times (a write or a rename by anyone changes one of them).
bool Unchanged(const TargetState& state)
{
    struct stat now {};
    if (lstat(state.path.c_str(), &now) != 0)
        return errno == ENOENT && !state.exists;
    const struct stat& then = state.status;
    return state.exists && now.st_dev == then.st_dev && now.st_ino == then.st_ino && now.st_size == then.st_size &&
           SameTime(now.st_mtim, then.st_mtim) && SameTime(now.st_ctim, then.st_ctim);
}

// The target's owner, group and mode on the working file; refused when the
// user may not keep the owner or the group.
ReplaceStatus TakeOverOwnership(int fd, const TargetState& state, FileMode mode)
{
    const struct stat& target = state.status;
    struct stat working {};
    if (fstat(fd, &working) != 0)
        return ReplaceStatus::Fail(Problem("look at the new", state.path, errno));
    if ((working.st_uid != target.st_uid || working.st_gid != target.st_gid) &&
        fchown(fd, target.st_uid, target.st_gid) != 0) {
        if (errno != EPERM)
            return ReplaceStatus::Fail(Problem("set the owner of", state.path, errno));
        return ReplaceStatus::Fail(state.path + " belongs to an owner or group that this user cannot give a file to; " +
                                   "it is not replaced. Nothing was written.");
    }
    // After the owner, which may have cut the set-ID bits.
    if (fchmod(fd, mode.keepTarget ? target.st_mode & 07777 : mode.bits) != 0)
        return ReplaceStatus::Fail(Problem("set the permissions of", state.path, errno));
    return ReplaceStatus::Ok();
}

}  // namespace

ReplaceStatus InspectTarget(const std::string& target, TargetState& state)
{
    state = TargetState{target, false, {}};
    if (lstat(target.c_str(), &state.status) != 0) {
        if (errno == ENOENT)
            return ReplaceStatus::Ok();
        return ReplaceStatus::Fail(Problem("look at", target, errno));
    }
    state.exists = true;
    if (S_ISLNK(state.status.st_mode))
        return ReplaceStatus::Fail(target + " exists and is not a regular file (a symbolic link; name the file "
                                            "itself); it is never replaced. Nothing was written.");
    if (!S_ISREG(state.status.st_mode))
        return ReplaceStatus::Fail(target + " exists and is not a regular file; it is never replaced. "
                                            "Nothing was written.");
    if ((state.status.st_mode & S_IWUSR) == 0)
        return ReplaceStatus::Fail(target + " is read-only (its owner made it so); it is not replaced. "
                                            "Nothing was written.");
    return ReplaceStatus::Ok();
}

ReplaceStatus InstallFile(int fd, const std::string& working, const TargetState& state, FileMode mode,
                          const std::string& activity)
{
    if (state.exists) {
        if (ReplaceStatus owned = TakeOverOwnership(fd, state, mode); !owned)
            return owned;
    } else if (fchmod(fd, mode.bits) != 0) {
        return ReplaceStatus::Fail(Problem("set the permissions of", state.path, errno));
    }
    if (fsync(fd) != 0)
        return ReplaceStatus::Fail(Problem("write", state.path, errno));
    // No other run replaces a file in this folder between the check and the
    // rename: they take the same lock.
    FolderLock exclusive(FolderOf(state.path), LOCK_EX);
    if (!Unchanged(state))
        return ReplaceStatus::Fail(state.path + " changed while it was being " + activity + "; nothing was written.");
    if (rename(working.c_str(), state.path.c_str()) != 0)
        return ReplaceStatus::Fail(Problem("write", state.path, errno));
    // The rename itself reaches the disk with the folder.
    if (exclusive.descriptor() < 0 || fsync(exclusive.descriptor()) != 0)
        return ReplaceStatus::Fail(Problem("flush the folder of", state.path, errno) +
                                   " The new file is in place but may not survive a power loss.");
    return ReplaceStatus::Ok();
}

FileReplacement::FileReplacement(std::string target, FileMode mode, std::string activity)
    : mode_(mode), activity_(std::move(activity))
{
    state_.path = std::move(target);
}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : state_(std::move(other.state_)),
      mode_(other.mode_),
      activity_(std::move(other.activity_)),
      working_(std::move(other.working_)),
      fd_(std::move(other.fd_))
{
    other.working_.clear();
}

FileReplacement::~FileReplacement()
{
    if (!working_.empty())
        unlink(working_.c_str());
}

ReplaceStatus FileReplacement::begin()
{
    if (ReplaceStatus inspected = InspectTarget(state_.path, state_); !inspected)
        return inspected;
    return CreateWorkingFile(FolderOf(state_.path), BaseNameOf(state_.path), working_, fd_);
}

ReplaceStatus FileReplacement::commit()
{
    ReplaceStatus installed = InstallFile(fd_.get(), working_, state_, mode_, activity_);
    if (installed)
        working_.clear();
    fd_.reset();
    return installed;
}

unsigned NewFileModeFromUmask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace vantrel
