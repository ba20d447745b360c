#include "signing/KeyFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The lock is a file of its own in the folder, never the folder: the
// working folders beside an image are proven alive by locks on the folder
// itself, which the same run takes while it holds this one.
constexpr const char* LockFileName = ".vantrel-keys.lock";

struct LockedFolder {
    std::string name;
    dev_t device = 0;
    ino_t inode = 0;
    UniqueFd lockFile;  // invalid until opened
};

// The folders of the two key files, each once, in one order for every run
// (device, inode), so that two runs never wait for each other in a circle.
Outcome<std::vector<LockedFolder>> FoldersOf(const KeyFilePaths& paths)
{
    std::vector<LockedFolder> folders;
    for (const std::string& file : {paths.privateKey, paths.publicKey}) {
        const fs::path path(file);
        const std::string name = path.has_parent_path() ? path.parent_path().string() : ".";
        struct stat status {};
        const int error = stat(name.c_str(), &status) != 0 ? errno : S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
        if (error != 0)
            return Outcome<std::vector<LockedFolder>>::Fail("Problem - cannot use the folder " + name + " of " + file +
                                                            ": " + std::strerror(error));
        const bool known = std::any_of(folders.begin(), folders.end(), [&](const LockedFolder& folder) {
            return folder.device == status.st_dev && folder.inode == status.st_ino;
        });
        if (!known)
            folders.push_back({name, status.st_dev, status.st_ino, UniqueFd()});
    }
    std::sort(folders.begin(), folders.end(), [](const LockedFolder& a, const LockedFolder& b) {
        return std::pair(a.device, a.inode) < std::pair(b.device, b.inode);
    });
    return folders;
}

std::string LockPath(const LockedFolder& folder)
{
    return folder.name + "/" + LockFileName;
}

// The lock file exists only while a replacement holds it: a reader that
// finds none reads without (a reader racing a replacement sees two files
// that are not one pair, which signing refuses); one that finds it waits for
// the replacement to end. A lock won on a file that was removed meanwhile is
// taken again on the file the name holds now.
Status Lock(LockedFolder& folder, int operation, const Progress& progress)
{
    const std::string path = LockPath(folder);
    for (bool told = false;;) {
        const bool create = operation == LOCK_EX;
        folder.lockFile.reset(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (create ? O_CREAT : 0), 0644));
        if (!folder.lockFile.valid()) {
            if (!create && errno == ENOENT)
                return Done{};
            return Status::Fail("Problem - cannot open the lock " + path + " of the key files: " +
                                std::strerror(errno));
        }
        int result = flock(folder.lockFile.get(), operation | LOCK_NB);
        if (result != 0 && errno == EWOULDBLOCK) {
            if (!told)
                Report(progress, "waiting for another run that uses the key files in " + folder.name);
            told = true;
            while ((result = flock(folder.lockFile.get(), operation)) != 0 && errno == EINTR) {
            }
        }
        if (result != 0)
            return Status::Fail("Problem - cannot lock the key files in " + folder.name + ": " + std::strerror(errno));
        struct stat held {}, named {};
        if (fstat(folder.lockFile.get(), &held) == 0 && stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return Done{};
    }
}

Status LockAll(std::vector<LockedFolder>& folders, int operation, const Progress& progress)
{
    for (LockedFolder& folder : folders)
        if (Status locked = Lock(folder, operation, progress); !locked)
            return locked;
    return Done{};
}

// An exclusive holder removes the lock file before it lets go.
void UnlockAll(std::vector<LockedFolder>& folders, bool exclusive)
{
    for (LockedFolder& folder : folders) {
        if (exclusive && folder.lockFile.valid())
            ::unlink(LockPath(folder).c_str());
        folder.lockFile.reset();
    }
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
    Outcome<std::vector<LockedFolder>> folders = FoldersOf(paths);
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
                UnlockAll(locked, true);
                continue;
            }
        } else if (AnyNeedsRecovery(locked)) {
            UnlockAll(locked, false);
            continue;
        }
        break;
    }
    KeyFolderLock lock(mode);
    for (LockedFolder& folder : locked)
        if (folder.lockFile.valid()) {
            lock.paths_.push_back(LockPath(folder));
            lock.files_.push_back(std::move(folder.lockFile));
        }
    return lock;
}

KeyFolderLock::~KeyFolderLock()
{
    if (mode_ == KeyLockMode::Exclusive)
        for (const std::string& path : paths_)
            ::unlink(path.c_str());
}

}  // namespace vantrel
