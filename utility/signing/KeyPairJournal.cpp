#include "signing/KeyPairJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Files.h"
#include "filereplace/UniqueFd.h"

namespace vantrel {

namespace {

namespace fs = std::filesystem;

constexpr const char* JournalName = ".vantrel-keys.journal";
constexpr const char* JournalDraftName = ".vantrel-keys.journal.new";
constexpr const char* NewFileSuffix = ".vantrel-new";
// The working files earlier versions wrote beside a key file: ".NAME.XXXXXX".
constexpr std::size_t OldRandomLength = 6;

fs::path FolderOf(const fs::path& file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

fs::path NewFileFor(const fs::path& target)
{
    return FolderOf(target) / ("." + target.filename().string() + NewFileSuffix);
}

Status Problem(const std::string& action, const fs::path& file, int error)
{
    return Status::Fail("Problem - cannot " + action + " " + file.string() + ": " + std::strerror(error));
}

// A rename or removal reaches the disk with its folder.
Status FlushFolder(const fs::path& folder)
{
    UniqueFd directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.valid() || fsync(directory.get()) != 0)
        return Problem("flush the folder", folder, errno);
    return Done{};
}

Status RenameFlushed(const fs::path& from, const fs::path& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Problem("put in place", to, errno);
    return FlushFolder(FolderOf(to));
}

Status RemoveFlushed(const fs::path& file)
{
    if (::unlink(file.c_str()) != 0 && errno != ENOENT)
        return Problem("remove", file, errno);
    return FlushFolder(FolderOf(file));
}

std::span<const std::uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The journal: NEW, TARGET, NEW, TARGET, each ended by a NUL (a path may
// hold any other byte), absolute so that any working directory reads it.
std::string JournalText(const KeyFilePaths& paths)
{
    std::string text;
    for (const std::string& target : {paths.privateKey, paths.publicKey}) {
        const fs::path absolute = fs::absolute(target);
        for (const fs::path& path : {NewFileFor(absolute), absolute})
            text += path.string() + '\0';
    }
    return text;
}

std::vector<std::string> JournalEntries(const fs::path& journal)
{
    Outcome<std::vector<std::uint8_t>> bytes = ReadFileContents(journal, 64 * 1024, "a key pair journal");
    std::vector<std::string> entries;
    if (!bytes)
        return entries;
    std::string entry;
    for (std::uint8_t byte : bytes.value()) {
        if (byte == 0)
            entries.push_back(std::exchange(entry, {}));
        else
            entry += static_cast<char>(byte);
    }
    return entries;
}

bool IsLeftover(const std::string& name)
{
    if (name == JournalDraftName)
        return true;
    if (name.size() > 1 && name[0] == '.' && name.ends_with(NewFileSuffix))
        return true;
    // ".private.ecs.XXXXXX" and ".public.ecs.XXXXXX" of earlier versions.
    for (const char* key : {PrivateKeyFileName, PublicKeyFileName}) {
        const std::string prefix = std::string(".") + key + ".";
        if (name.size() == prefix.size() + OldRandomLength && name.starts_with(prefix))
            return true;
    }
    return false;
}

std::vector<fs::path> LeftoversIn(const fs::path& folder)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        if (IsLeftover(entry.path().filename().string()))
            found.push_back(entry.path());
    return found;
}

}  // namespace

Status ReplaceKeyPair(const KeyFilePaths& paths, std::span<const std::uint8_t> privateText,
                      std::span<const std::uint8_t> publicText)
{
    const fs::path privateNew = NewFileFor(paths.privateKey);
    const fs::path publicNew = NewFileFor(paths.publicKey);
    // Both new files complete and on disk before anything is decided.
    if (Status written = WriteNewFile(privateNew, privateText); !written)
        return written;
    if (Status written = WriteNewFile(publicNew, publicText); !written) {
        ::unlink(privateNew.c_str());
        return written;
    }
    if (chmod(publicNew.c_str(), 0644) != 0) {
        const int error = errno;
        ::unlink(privateNew.c_str());
        ::unlink(publicNew.c_str());
        return Problem("set the permissions of", publicNew, error);
    }
    // The journal's rename decides the replacement.
    const fs::path folder = FolderOf(paths.privateKey);
    const fs::path draft = folder / JournalDraftName;
    Status decided = WriteNewFile(draft, Bytes(JournalText(paths)));
    if (decided)
        decided = RenameFlushed(draft, folder / JournalName);
    if (!decided) {
        for (const fs::path& file : {privateNew, publicNew, draft})
            ::unlink(file.c_str());
        return decided;
    }
    // Decided: a failure from here on is finished by the next command.
    for (const auto& [from, to] : {std::pair{privateNew, fs::path(paths.privateKey)},
                                   std::pair{publicNew, fs::path(paths.publicKey)}})
        if (Status renamed = RenameFlushed(from, to); !renamed)
            return Status::Fail(renamed.message() + "; the next command that uses these key files finishes "
                                                    "the replacement");
    return RemoveFlushed(folder / JournalName);
}

bool KeyFolderNeedsRecovery(const std::string& folder)
{
    std::error_code error;
    return fs::exists(fs::path(folder) / JournalName, error) || !LeftoversIn(folder).empty();
}

Status RecoverKeyFolder(const std::string& folder, const Progress& progress)
{
    const fs::path journal = fs::path(folder) / JournalName;
    std::error_code error;
    if (fs::exists(journal, error)) {
        const std::vector<std::string> entries = JournalEntries(journal);
        if (entries.size() != 4)
            return Status::Fail("Problem - " + journal.string() +
                                " does not name the two key files of an interrupted replacement; "
                                "check the key files, then remove it");
        std::string targets;
        for (std::size_t i = 0; i + 1 < entries.size(); i += 2) {
            if (fs::exists(entries[i], error))
                if (Status renamed = RenameFlushed(entries[i], entries[i + 1]); !renamed)
                    return renamed;
            targets += (targets.empty() ? "" : " and ") + entries[i + 1];
        }
        if (Status removed = RemoveFlushed(journal); !removed)
            return removed;
        Report(progress, "finished the interrupted replacement of the key pair " + targets);
    }
    for (const fs::path& leftover : LeftoversIn(folder)) {
        if (Status removed = RemoveFlushed(leftover); !removed)
            return removed;
        Report(progress, "removed " + leftover.string() + ", left by an interrupted run");
    }
    return Done{};
}

}  // namespace vantrel
