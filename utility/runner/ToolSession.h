#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "core/Files.h"
#include "core/Outcome.h"
#include "core/Progress.h"
#include "filereplace/FileReplacement.h"
#include "filereplace/WorkingFiles.h"
#include "runner/ToolRun.h"

namespace vantrel {

// Refuses a section name that sectmend's command line cannot carry (it takes
// letters, digits, '.', '_', '$', bytes 0x80-0xFE and '-' after the first
// character, except where the rest would read as options or a file name),
// naming the section and what it cannot take.
Status CheckSectionName(const std::string& name);

// The one way an operation runs sectmend and scnlist. Each session owns a
// private folder (mkdtemp, readable by its owner only, locked while the
// session lives so that the next run there removes it if this one is
// killed) that is removed with it: working copies, section bytes and links to the user's images live
// there under fixed names that sectmend's command line can carry, whatever
// the real paths hold, and the tools run inside it. Nothing is ever written
// under a fixed name in a shared folder, so two runs never meet.
//
// Every run is bounded (ToolRun.h) and judged the same way: a tool that
// cannot start, fails, is stopped at a limit, or prints what it should not
// gives a message that names the tool, the step and the user's file.
class ToolSession {
public:
    // A session whose folder lies in parent (Save and signing: beside their
    // output, so the final rename stays on one file system), or in the
    // system's temporary folder when parent is empty.
    static Outcome<ToolSession> Open(std::string toolDirectory, const std::filesystem::path& parent = {});

    ToolSession(ToolSession&& other) noexcept;
    ToolSession& operator=(ToolSession&&) = delete;
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;
    ~ToolSession();

    const std::filesystem::path& folder() const { return folder_; }

    // A working copy of image in the folder (writable while it is worked on).
    // The image is looked at first, so that committing over it later sees
    // whether anyone else changed it meanwhile. Messages about the copy name
    // displayName. The cancel check (SetCancelCheck) can stop the copy.
    Outcome<std::filesystem::path> CopyIn(const std::filesystem::path& image, const std::string& displayName);
    // Puts a working copy in target's place by the file rules
    // (filereplace/FileReplacement.h): the target's mode, owner and group
    // (a new target gets the image's mode), flushed, renamed over target, so
    // target is always either the old file or the new one. A target the
    // rules refuse, or an image changed since CopyIn ("... changed while it
    // was being <activity>; nothing was written."), is not replaced.
    Status CommitOver(const std::filesystem::path& working, const std::filesystem::path& target,
                      const std::string& activity);

    // Every later tool run is stopped within a tenth of a second of cancelled
    // saying so, and a later CopyIn within a step of its copy; both fail with
    // CancelledMessage.
    void SetCancelCheck(CancelCheck cancelled) { cancelled_ = std::move(cancelled); }

    // scnlist -sh IMAGE: the listing, whole.
    Outcome<std::string> ListSections(const std::filesystem::path& image);
    // sectmend -get NAME -o FIFO IMAGE: the section's bytes as stored, handed
    // to take in blocks of at most 1 MiB as sectmend writes them into a FIFO
    // of the folder, never held whole. Exactly size bytes must come; take
    // failing stops sectmend and fails with take's message.
    Status StreamSection(const std::filesystem::path& image, const std::string& section, std::uint64_t size,
                         const std::function<Status(std::span<const std::uint8_t>)>& take);
    // sectmend -get NAME -o FILE IMAGE into the file fileName of the folder
    // (replacing it), never held in memory: the section's size.
    Outcome<std::uint64_t> SaveSection(const std::filesystem::path& image, const std::string& section,
                                       const std::string& fileName);
    // sectmend -get NAME -o FILE IMAGE: the section's bytes as stored, whole
    // (for the small sections of the record and the signature).
    Outcome<std::vector<std::uint8_t>> GetSection(const std::filesystem::path& image, const std::string& section);
    // sectmend -replace NAME -bits FILE IMAGE, in place. The bytes must fill
    // the section exactly (sectionSize); anything else is refused unrun.
    Status ReplaceSection(const std::filesystem::path& image, const std::string& section,
                          std::span<const std::uint8_t> bytes, std::uint64_t sectionSize);
    // The same from a file of the folder that holds the section's new bytes
    // (a file of any other size is refused unrun).
    Status ReplaceSectionFrom(const std::filesystem::path& image, const std::string& section,
                              const std::filesystem::path& bytesFile, std::uint64_t sectionSize);

    // How the last tool run ended (Load words its messages by it).
    const ToolRunResult& lastRun() const { return lastRun_; }

private:
    ToolSession(std::string toolDirectory, PrivateFolder folder);

    // The name sectmend is handed for image: its own name for a file of the
    // folder, else a link in the folder to the image's absolute path.
    Outcome<std::string> HandedName(const std::filesystem::path& image);
    std::string DisplayName(const std::filesystem::path& image) const;
    // text with every quoted handed name replaced by the user's name.
    std::string ShownWithUserNames(std::string text) const;
    // Runs a tool in the folder; Fail with the one message style unless it
    // exits with 0 (and, when quiet, prints nothing).
    Status Run(const std::string& tool, const ToolArguments& arguments, const ToolLimits& limits,
               const std::string& step, bool quiet, ToolByteStream* stream = nullptr);

    std::string toolDirectory_;
    PrivateFolder privateFolder_;
    std::filesystem::path folder_;
    std::map<std::filesystem::path, std::string> handed_;
    std::map<std::string, std::string> displayNames_;  // handed name -> the user's name
    std::map<std::filesystem::path, unsigned> copiedModes_;  // working copy -> its image's permissions
    std::map<std::filesystem::path, TargetState> seen_;      // each copied image as CopyIn saw it
    ToolRunResult lastRun_;
    CancelCheck cancelled_;
};

}  // namespace vantrel
