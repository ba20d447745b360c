#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "FileAccess.h"

namespace sectmend {

namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// An existing target reached through symbolic links is replaced where it
// lies, so the links keep leading to it.
std::string ResolvedTarget(const std::string& target)
{
    char resolved[PATH_MAX];
    return ::realpath(target.c_str(), resolved) != nullptr ? std::string(resolved) : target;
}

// The permissions open(2) gives a file it creates with mode 0666.
mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

OutputFile::OutputFile(std::string target) : target_(std::move(target)) {}

OutputFile::~OutputFile()
{
    fd_.reset();
    if (!working_.empty()) ::unlink(working_.c_str());
}

bool OutputFile::open()
{
    if (isSpecialFile(target_)) {
        fd_.reset(::open(target_.c_str(), O_WRONLY | O_CLOEXEC));
        return fd_.valid();
    }
    target_ = ResolvedTarget(target_);
    // A file its owner made read-only is not replaced, as it would not be
    // overwritten.
    if (::access(target_.c_str(), F_OK) == 0 && ::access(target_.c_str(), W_OK) != 0) return false;
    std::string pattern = FolderOf(target_) + "/." + BaseNameOf(target_) + ".XXXXXX";
    fd_.reset(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd_.valid()) return false;
    working_ = pattern;
    return true;
}

bool OutputFile::commit()
{
    if (working_.empty()) return fd_.close();
    if (!install()) {
        const int error = errno;
        fd_.reset();
        ::unlink(working_.c_str());
        working_.clear();
        errno = error;
        return false;
    }
    working_.clear();
    // The rename itself reaches the disk with the folder.
    vantrel::UniqueFd folder(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) ::fsync(folder.get());
    return true;
}

bool OutputFile::install()
{
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) {
        // The owner where the system allows it (it does for the superuser);
        // then the mode, which a change of owner may have cut.
        if (::fchown(fd_.get(), existing.st_uid, existing.st_gid) != 0 && errno != EPERM) return false;
        if (::fchmod(fd_.get(), existing.st_mode & 07777) != 0) return false;
    } else if (::fchmod(fd_.get(), NewFileMode()) != 0) {
        return false;
    }
    if (::fsync(fd_.get()) != 0 || !fd_.close()) return false;
    return ::rename(working_.c_str(), target_.c_str()) == 0;
}

}  // namespace sectmend
