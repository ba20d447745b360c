#include "signing/KeyFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

#include "signing/KeyPairJournal.h"

namespace vantrel {

namespace {

namespace fs = std::filesystem;

struct LockedFolder {
    std::string name;
    UniqueFd fd;
    dev_t device = 0;
    ino_t inode = 0;
};

// The folders of the two key files, each once, in one order for every run
// (device, inode), so that two runs never wait for each other in a circle.
Outcome<std::vector<LockedFolder>> OpenFolders(const KeyFilePaths& paths)
{
    std::vector<LockedFolder> folders;
    for (const std::string& file : {paths.privateKey, paths.publicKey}) {
        const fs::path path(file);
        const std::string name = path.has_parent_path() ? path.parent_path().string() : ".";
        UniqueFd fd(open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat status {};
        if (!fd.valid() || fstat(fd.get(), &status) != 0)
            return Outcome<std::vector<LockedFolder>>::Fail("Problem - cannot open the folder " + name + " of " +
                                                            file + ": " + std::strerror(errno));
        const bool known = std::any_of(folders.begin(), folders.end(), [&](const LockedFolder& folder) {
            return folder.device == status.st_dev && folder.inode == status.st_ino;
        });
        if (!known)
            folders.push_back({name, std::move(fd), status.st_dev, status.st_ino});
    }
    std::sort(folders.begin(), folders.end(), [](const LockedFolder& a, const LockedFolder& b) {
        return std::pair(a.device, a.inode) < std::pair(b.device, b.inode);
    });
    return folders;
}

Status Lock(const LockedFolder& folder, int operation, const Progress& progress)
{
    if (flock(folder.fd.get(), operation | LOCK_NB) == 0)
        return Done{};
    if (errno == EWOULDBLOCK) {
        Report(progress, "waiting for another run that uses the key files in " + folder.name);
        int result = 0;
        while ((result = flock(folder.fd.get(), operation)) != 0 && errno == EINTR) {
        }
        if (result == 0)
            return Done{};
    }
    return Status::Fail("Problem - cannot lock the key folder " + folder.name + ": " + std::strerror(errno));
}

Status LockAll(std::vector<LockedFolder>& folders, int operation, const Progress& progress)
{
    for (const LockedFolder& folder : folders)
        if (Status locked = Lock(folder, operation, progress); !locked)
            return locked;
    return Done{};
}

void UnlockAll(std::vector<LockedFolder>& folders)
{
    for (const LockedFolder& folder : folders)
        flock(folder.fd.get(), LOCK_UN);
}

Status RecoverAll(const std::vector<LockedFolder>& folders, const Progress& progress)
{
    for (const LockedFolder& folder : folders)
        if (Status recovered = RecoverKeyFolder(folder.name, progress); !recovered)
            return recovered;
    return Done{};
}

bool AnyNeedsRecovery(const std::vector<LockedFolder>& folders)
{
    return std::any_of(folders.begin(), folders.end(),
                       [](const LockedFolder& folder) { return KeyFolderNeedsRecovery(folder.name); });
}

}  // namespace

Outcome<KeyFolderLock> KeyFolderLock::Take(const KeyFilePaths& paths, KeyLockMode mode, const Progress& progress)
{
    using Result = Outcome<KeyFolderLock>;
    Outcome<std::vector<LockedFolder>> folders = OpenFolders(paths);
    if (!folders)
        return Result::Fail(folders.message());
    std::vector<LockedFolder>& locked = folders.value();
    // What dead runs left is recovered under the exclusive lock; a reader
    // that finds some takes that lock for the recovery, then shares again
    // (and looks again: another run may have come in between).
    for (;;) {
        const bool exclusive = mode == KeyLockMode::Exclusive || AnyNeedsRecovery(locked);
        if (Status taken = LockAll(locked, exclusive ? LOCK_EX : LOCK_SH, progress); !taken)
            return Result::Fail(taken.message());
        if (exclusive) {
            if (Status recovered = RecoverAll(locked, progress); !recovered)
                return Result::Fail(recovered.message());
            if (mode == KeyLockMode::Shared) {
                UnlockAll(locked);
                continue;
            }
        } else if (AnyNeedsRecovery(locked)) {
            UnlockAll(locked);
            continue;
        }
        break;
    }
    std::vector<UniqueFd> fds;
    for (LockedFolder& folder : locked)
        fds.push_back(std::move(folder.fd));
    return KeyFolderLock(std::move(fds), mode);
}

}  // namespace vantrel
