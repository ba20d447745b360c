#include "filereplace/WorkingFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

namespace vantrel {

namespace {

constexpr std::string_view WorkingMark = "vantrel-";
constexpr std::size_t RandomPart = 6;

bool IsWorkingName(std::string_view name)
{
    if (name.size() < 1 + WorkingMark.size() + RandomPart || name.front() != '.')
        return false;
    const std::string_view tail = name.substr(name.size() - RandomPart);
    const std::string_view mark = name.substr(name.size() - RandomPart - WorkingMark.size(), WorkingMark.size());
    if (mark != WorkingMark)
        return false;
    for (const char c : tail)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    // ".vantrel-XXXXXX" itself, or ".<name>.vantrel-XXXXXX".
    const std::size_t head = name.size() - RandomPart - WorkingMark.size();
    return head == 1 || (head > 2 && name[head - 1] == '.');
}

// Whether folder is a run's private folder. Only that run and the tools it
// starts work there, so nothing in it needs the folder locks, and they would
// wait for ever on the lock the run holds on the folder while it lives.
bool IsPrivateFolder(const std::string& folder)
{
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved) == nullptr)
        return false;
    const std::string name = BaseNameOf(resolved);
    return name.size() == 1 + WorkingMark.size() + RandomPart && IsWorkingName(name);
}

std::vector<std::string> WorkingNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr)
        return names;
    while (const dirent* entry = readdir(directory))
        if (IsWorkingName(entry->d_name))
            names.emplace_back(entry->d_name);
    closedir(directory);
    return names;
}

// Removes folder/name when it is this user's and no live run holds it.
void RemoveIfEnded(const std::string& folder, const std::string& name)
{
    const std::string path = folder + "/" + name;
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || status.st_uid != geteuid())
        return;
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
        return;
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid() || flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string Problem(const std::string& what, const std::string& file, int error)
{
    return "Could not " + what + " " + file + ": " + std::strerror(error) + ".";
}

}  // namespace

FolderLock::FolderLock(const std::string& folder, int operation)
    : fd_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (fd_.valid() && !IsPrivateFolder(folder))
        while (flock(fd_.get(), operation) != 0 && errno == EINTR) {}
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void RemoveLeftoversOfEndedRuns(const std::string& folder)
{
    if (IsPrivateFolder(folder))
        return;
    const std::vector<std::string> names = WorkingNamesIn(folder);
    if (names.empty())
        return;
    FolderLock exclusive(folder, LOCK_EX);
    for (const std::string& name : names)
        RemoveIfEnded(folder, name);
}

ReplaceStatus CreateWorkingFile(const std::string& folder, const std::string& name, std::string& path, UniqueFd& fd)
{
    RemoveLeftoversOfEndedRuns(folder);
    std::string pattern = folder + "/." + name + "." + std::string(WorkingMark) + "XXXXXX";
    FolderLock shared(folder, LOCK_SH);
    fd.reset(mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.valid())
        return ReplaceStatus::Fail(Problem("create a file beside", folder + "/" + name, errno));
    flock(fd.get(), LOCK_EX | LOCK_NB);
    path = pattern;
    return ReplaceStatus::Ok();
}

ReplaceStatus PrivateFolder::Create(const std::string& parent, PrivateFolder& folder)
{
    RemoveLeftoversOfEndedRuns(parent);
    std::string pattern = parent + "/." + std::string(WorkingMark) + "XXXXXX";
    FolderLock shared(parent, LOCK_SH);
    if (mkdtemp(pattern.data()) == nullptr)
        return ReplaceStatus::Fail("Could not create a private working folder in " + parent + ": " +
                                   std::strerror(errno) + ".");
    folder.remove();
    folder.path_ = pattern;
    folder.lock_.reset(open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.lock_.valid())
        flock(folder.lock_.get(), LOCK_EX | LOCK_NB);
    return ReplaceStatus::Ok();
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept
    : path_(std::move(other.path_)), lock_(std::move(other.lock_))
{
    other.path_.clear();
}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept
{
    if (this != &other) {
        remove();
        path_ = std::move(other.path_);
        lock_ = std::move(other.lock_);
        other.path_.clear();
    }
    return *this;
}

PrivateFolder::~PrivateFolder()
{
    remove();
}

void PrivateFolder::remove()
{
    if (path_.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    path_.clear();
    lock_.reset();
}

}  // namespace vantrel
