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

namespace {

// The working file's owner, group and mode as the target's (or mode.bits for
// a new file), then the file flushed.
ReplaceStatus PrepareToInstall(int fd, const TargetState& state, FileMode mode)
{
    if (state.exists) {
        if (ReplaceStatus owned = TakeOverOwnership(fd, state, mode); !owned)
            return owned;
    } else if (fchmod(fd, mode.bits) != 0) {
        return ReplaceStatus::Fail(Problem("set the permissions of", state.path, errno));
    }
    if (fsync(fd) != 0)
        return ReplaceStatus::Fail(Problem("write", state.path, errno));
    return ReplaceStatus::Ok();
}

// The rename, and the folder flushed so that the rename reaches the disk.
ReplaceStatus RenameIntoPlace(const std::string& working, const std::string& target, const FolderLock& folder)
{
    if (rename(working.c_str(), target.c_str()) != 0)
        return ReplaceStatus::Fail(Problem("write", target, errno));
    if (folder.descriptor() < 0 || fsync(folder.descriptor()) != 0)
        return ReplaceStatus::Fail(Problem("flush the folder of", target, errno) +
                                   " The new file is in place but may not survive a power loss.");
    return ReplaceStatus::Ok();
}

}  // namespace

ReplaceStatus InstallFile(int fd, const std::string& working, const TargetState& state, FileMode mode,
                          const std::string& activity)
{
    if (ReplaceStatus prepared = PrepareToInstall(fd, state, mode); !prepared)
        return prepared;
    // No other run replaces a file in this folder between the check and the
    // rename: they take the same lock.
    FolderLock exclusive(FolderOf(state.path), LOCK_EX);
    if (!Unchanged(state))
        return ReplaceStatus::Fail(state.path + " changed while it was being " + activity + "; nothing was written.");
    return RenameIntoPlace(working, state.path, exclusive);
}

ReplaceStatus InstallOverLatest(int fd, const std::string& working, const std::string& target, FileMode mode)
{
    // Looked at and replaced under the folder's lock, so another run's
    // replacement comes wholly before or wholly after this one.
    FolderLock exclusive(FolderOf(target), LOCK_EX);
    TargetState now;
    if (ReplaceStatus allowed = InspectTarget(target, now); !allowed)
        return allowed;
    if (ReplaceStatus prepared = PrepareToInstall(fd, now, mode); !prepared)
        return prepared;
    return RenameIntoPlace(working, target, exclusive);
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

ReplaceStatus FileReplacement::commitOverLatest()
{
    ReplaceStatus installed = InstallOverLatest(fd_.get(), working_, state_.path, mode_);
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
