#include "runner/ToolSession.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include "filereplace/UniqueFd.h"
#include "core/Files.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr const char* BytesFileName = "section.bin";
constexpr const char* ReplacementFileName = "replacement.bin";
constexpr const char* StreamFileName = "section.fifo";

bool IsCarriedNameCharacter(unsigned char c, bool first)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '$' || (c == '-' && !first) || (c >= 0x80 && c <= 0xfe);
}

// sectmend ends a name at a '-' or '$' where the rest of the argument reads as
// options or a file name of their own (so that its older command lines keep
// their meaning). Such a rest, found the safe way (a little wider than
// sectmend's own test), or an empty string.
std::string_view TailReadAsTokens(std::string_view name)
{
    static constexpr std::string_view lastOptions[] = {"-get", "-replace", "-o", "-bits"};
    static constexpr std::string_view leadingOptions[] = {"-text", "-help", "-version"};
    for (std::size_t i = 1; i < name.size(); ++i) {
        const std::string_view tail = name.substr(i);
        if (tail[0] == '$' && tail.size() > 1)
            return tail;
        if (tail[0] != '-')
            continue;
        for (const std::string_view option : lastOptions)
            if (tail == option)
                return tail;
        for (const std::string_view option : leadingOptions)
            if (tail.starts_with(option))
                return tail;
    }
    return {};
}

std::string Seconds(std::chrono::milliseconds limit)
{
    const auto tenths = (limit.count() + 50) / 100;
    return std::to_string(tenths / 10) + (tenths % 10 != 0 ? "." + std::to_string(tenths % 10) : "");
}

// The line of a tool's output that says most: its first "ERROR: " line, else
// its first line.
std::string TellingLine(std::string_view output)
{
    std::string_view first;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string_view::npos)
            end = output.size();
        const std::string_view line = output.substr(start, end - start);
        if (line.rfind("ERROR: ", 0) == 0)
            return std::string(line);
        if (first.empty() && !line.empty())
            first = line;
        start = end + 1;
    }
    return std::string(first);
}

std::string RunProblem(const ToolRunResult& run, const std::string& tool, const std::string& step,
                       const ToolLimits& limits, bool quiet)
{
    using End = ToolRunResult::End;
    switch (run.end) {
    case End::NotStarted:
        return "Could not start " + tool + " for " + step + ": " + std::strerror(run.startError) + ".\n";
    case End::Silent:
        return fs::path(tool).filename().string() + " printed nothing for " + Seconds(limits.silence) +
               " s while " + step + " and was stopped.\n";
    case End::TimedOut:
        return fs::path(tool).filename().string() + " did not finish " + step + " within " +
               Seconds(limits.total) + " s and was stopped.\n";
    case End::TooMuchOutput:
        return fs::path(tool).filename().string() + " printed more than the " +
               std::to_string(limits.outputBytes) + " bytes expected while " + step + " and was stopped.\n";
    case End::Stalled:
        return fs::path(tool).filename().string() + " moved no section bytes for " + Seconds(limits.stall) +
               " s while " + step + " and was stopped.\n";
    case End::Refused:
        return run.problem.empty() || run.problem.back() == '\n'
                   ? run.problem
                   : fs::path(tool).filename().string() + " was stopped while " + step + ": " + run.problem + ".\n";
    case End::Cancelled:
        return CancelledMessage;
    case End::Exited:
        break;
    }
    const std::string name = fs::path(tool).filename().string();
    const std::string line = TellingLine(run.output);
    if (run.status != 0)
        return name + " failed (status " + std::to_string(run.status) + ") while " + step +
               (line.empty() ? std::string(".\n") : ": " + line + "\n");
    if (quiet && !run.output.empty())
        return name + " printed something unexpected while " + step + ": " + line + "\n";
    return {};
}

std::uintmax_t FileSize(const fs::path& file)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    return error ? 0 : size;
}

}  // namespace

Status CheckSectionName(const std::string& name)
{
    if (name.empty())
        return Status::Fail("A section without a name cannot be handed to sectmend.\n");
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const auto byte = static_cast<unsigned char>(c);
        if (IsCarriedNameCharacter(byte, i == 0))
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "0x%02x", byte);
        const std::string shown = byte > 0x20 && byte < 0x7f ? "'" + std::string(1, c) + "'"
                                                             : std::string("the byte ") + code;
        return Status::Fail("Section '" + name + "' cannot be handed to sectmend: its name holds " + shown +
                            (i == 0 && c == '-' ? " first" : "") +
                            ", and sectmend takes only letters, digits, '.', '_', '$' and (after the first "
                            "character) '-' in a section name.\n");
    }
    if (const std::string_view tail = TailReadAsTokens(name); !tail.empty())
        return Status::Fail("Section '" + name + "' cannot be handed to sectmend: it would read '" +
                            std::string(tail) + "' in the name as options or a file name of their own.\n");
    return Done{};
}

Outcome<ToolSession> ToolSession::Open(std::string toolDirectory, const fs::path& parent)
{
    std::error_code error;
    // The tools run inside the private folder, so their own folder must not
    // be relative to the working directory.
    toolDirectory = fs::absolute(toolDirectory, error).string();
    const fs::path where = parent.empty() ? fs::temp_directory_path(error) : parent;
    if (error)
        return Outcome<ToolSession>::Fail("Could not find the temporary folder: " + error.message() + ".\n");
    PrivateFolder folder;
    if (ReplaceStatus made = PrivateFolder::Create(where.string(), folder); !made)
        return Outcome<ToolSession>::Fail(made.message() + "\n");
    return ToolSession(std::move(toolDirectory), std::move(folder));
}

ToolSession::ToolSession(std::string toolDirectory, PrivateFolder folder)
    : toolDirectory_(std::move(toolDirectory)), privateFolder_(std::move(folder)), folder_(privateFolder_.path())
{
}

ToolSession::ToolSession(ToolSession&& other) noexcept
    : toolDirectory_(std::move(other.toolDirectory_)),
      privateFolder_(std::move(other.privateFolder_)),
      folder_(std::move(other.folder_)),
      handed_(std::move(other.handed_)),
      displayNames_(std::move(other.displayNames_)),
      copiedModes_(std::move(other.copiedModes_)),
      seen_(std::move(other.seen_)),
      lastRun_(std::move(other.lastRun_)),
      cancelled_(std::move(other.cancelled_))
{
    other.folder_.clear();
}

ToolSession::~ToolSession() = default;

Outcome<fs::path> ToolSession::CopyIn(const fs::path& image, const std::string& displayName)
{
    const fs::path working = folder_ / "image.vnf";
    TargetState seen;
    InspectTarget(image.string(), seen);  // only what it was; the rules apply to the target at CommitOver
    Outcome<FileOwnership> copied = CopyFileContents(image, working, cancelled_);
    if (!copied)
        return Outcome<fs::path>::Fail(copied.message());
    copiedModes_[working] = copied.value().mode;
    seen_[fs::absolute(image).lexically_normal()] = seen;
    displayNames_[working.filename().string()] = displayName;
    return working;
}

Status ToolSession::CommitOver(const fs::path& working, const fs::path& target, const std::string& activity)
{
    TargetState now;
    if (ReplaceStatus allowed = InspectTarget(target.string(), now); !allowed)
        return FromReplaceStatus(allowed);
    const auto seen = seen_.find(fs::absolute(target).lexically_normal());
    const TargetState& expected = seen != seen_.end() ? seen->second : now;
    const auto copiedMode = copiedModes_.find(working);
    const unsigned newMode = copiedMode != copiedModes_.end() ? copiedMode->second : 0644;
    UniqueFd fd(open(working.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        return Status::Fail("Could not write " + target.string() + ": " + std::strerror(errno) + ".\n");
    return FromReplaceStatus(
        InstallFile(fd.get(), working.string(), expected, FileMode::KeepTargetElse(newMode), activity));
}

Outcome<std::string> ToolSession::HandedName(const fs::path& image)
{
    if (image.parent_path() == folder_)
        return image.filename().string();
    std::error_code error;
    const fs::path absolute = fs::absolute(image, error);
    if (error)
        return Outcome<std::string>::Fail("Could not find " + image.string() + ": " + error.message() + ".\n");
    if (const auto known = handed_.find(absolute); known != handed_.end())
        return known->second;
    const std::string name = "input" + std::to_string(handed_.size()) + ".vnf";
    fs::create_symlink(absolute, folder_ / name, error);
    if (error)
        return Outcome<std::string>::Fail("Could not link " + image.string() + " into " + folder_.string() + ": " +
                                          error.message() + ".\n");
    handed_[absolute] = name;
    displayNames_[name] = image.string();
    return name;
}

std::string ToolSession::ShownWithUserNames(std::string text) const
{
    // The tools name the image by the name they were handed; the user knows
    // it by its own.
    for (const auto& [handed, shown] : displayNames_) {
        const std::string quoted = "'" + handed + "'";
        for (std::size_t at = text.find(quoted); at != std::string::npos; at = text.find(quoted, at + shown.size() + 2))
            text.replace(at, quoted.size(), "'" + shown + "'");
    }
    return text;
}

std::string ToolSession::DisplayName(const fs::path& image) const
{
    const std::string handed = image.parent_path() == folder_ ? image.filename().string() : std::string();
    const auto known = displayNames_.find(handed);
    return known != displayNames_.end() ? known->second : image.string();
}

Status ToolSession::Run(const std::string& tool, const ToolArguments& arguments, const ToolLimits& limits,
                        const std::string& step, bool quiet, ToolByteStream* stream)
{
    if (IsCancelled(cancelled_)) {
        lastRun_ = ToolRunResult{};
        lastRun_.end = ToolRunResult::End::Cancelled;
        return Status::Fail(CancelledMessage);
    }
    ToolArguments commandLine{ToolPath(toolDirectory_, tool)};
    commandLine.insert(commandLine.end(), arguments.begin(), arguments.end());
    lastRun_ = RunTool(commandLine, folder_, limits, ToolRunWatch{stream, cancelled_});
    if (std::string problem = RunProblem(lastRun_, commandLine.front(), step, limits, quiet); !problem.empty())
        return Status::Fail(ShownWithUserNames(std::move(problem)));
    return Done{};
}

Outcome<std::string> ToolSession::ListSections(const fs::path& image)
{
    // scnlist takes any path; an absolute one never looks like an option.
    std::error_code error;
    const fs::path absolute = fs::absolute(image, error);
    const std::uintmax_t size = FileSize(absolute);
    // A listing line per section header (40 bytes each), with its name
    // escaped at most four characters per byte: far less than this.
    const ToolLimits limits{DefaultSilenceLimit(), RunTimeLimit(size), 64 * 1024 + 8 * static_cast<std::size_t>(size)};
    if (Status run = Run("scnlist", {"-sh", absolute.string()}, limits,
                         "listing the sections of " + DisplayName(image), false);
        !run)
        return Outcome<std::string>::Fail(run.message());
    return std::move(lastRun_.output);
}

Status ToolSession::StreamSection(const fs::path& image, const std::string& section, std::uint64_t size,
                                  const std::function<Status(std::span<const std::uint8_t>)>& take)
{
    lastRun_ = ToolRunResult{};
    if (Status name = CheckSectionName(section); !name)
        return name;
    Outcome<std::string> handed = HandedName(image);
    if (!handed)
        return Status::Fail(handed.message());
    const fs::path fifo = folder_ / StreamFileName;
    std::error_code ignored;
    fs::remove(fifo, ignored);
    // Opened for reading before sectmend starts, so its opening for writing
    // never waits; non-blocking, so the runner polls it with the output.
    if (mkfifo(fifo.c_str(), 0600) != 0)
        return Status::Fail("Could not make a FIFO in " + folder_.string() + ": " + std::strerror(errno) + ".\n");
    UniqueFd reading(open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!reading.valid())
        return Status::Fail("Could not open the FIFO " + fifo.string() + ": " + std::strerror(errno) + ".\n");
    // Bigger pieces for sectmend's 1 MiB writes; the default works too.
    (void)fcntl(reading.get(), F_SETPIPE_SZ, 1 << 20);
    const std::string step = "reading section " + section + " of " + DisplayName(image);
    // sectmend reads the section and writes it into the FIFO: twice its size.
    const ToolLimits limits{std::chrono::milliseconds(0), RunTimeLimit(2 * size), 64 * 1024,
                            6 * DefaultSilenceLimit()};
    ToolByteStream stream{reading.get(), size, take};
    Status run = Run("sectmend", {"-get", section, "-o", StreamFileName, handed.value()}, limits, step, true,
                     &stream);
    reading.reset();
    fs::remove(fifo, ignored);
    if (!run)
        return run;
    if (lastRun_.streamed != size)
        return Status::Fail("sectmend wrote " + std::to_string(lastRun_.streamed) + " bytes while " + step +
                            ", not the " + std::to_string(size) + " bytes of its size.\n");
    return Done{};
}

Outcome<std::uint64_t> ToolSession::SaveSection(const fs::path& image, const std::string& section,
                                                const std::string& fileName)
{
    using Result = Outcome<std::uint64_t>;
    if (Status name = CheckSectionName(section); !name)
        return Result::Fail(name.message());
    Outcome<std::string> handed = HandedName(image);
    if (!handed)
        return Result::Fail(handed.message());
    const fs::path file = folder_ / fileName;
    std::error_code error;
    fs::remove(file, error);
    const std::string step = "reading section " + section + " of " + DisplayName(image);
    const ToolLimits limits{std::chrono::milliseconds(0), RunTimeLimit(2 * FileSize(image)), 64 * 1024};
    if (Status run = Run("sectmend", {"-get", section, "-o", fileName, handed.value()}, limits, step, true); !run)
        return Result::Fail(run.message());
    const std::uint64_t size = fs::file_size(file, error);
    if (error)
        return Result::Fail("Could not read section " + section + " of " + DisplayName(image) + ": " +
                            error.message() + ".\n");
    return size;
}

Outcome<std::vector<std::uint8_t>> ToolSession::GetSection(const fs::path& image, const std::string& section)
{
    using Result = Outcome<std::vector<std::uint8_t>>;
    Outcome<std::uint64_t> saved = SaveSection(image, section, BytesFileName);
    if (!saved)
        return Result::Fail(saved.message());
    const fs::path file = folder_ / BytesFileName;
    // A section is never larger than its image.
    Outcome<std::vector<std::uint8_t>> bytes =
        ReadFileContents(file, static_cast<std::size_t>(FileSize(image)), "section " + section + " of " + DisplayName(image));
    std::error_code ignored;
    fs::remove(file, ignored);
    return bytes;
}

Status ToolSession::ReplaceSection(const fs::path& image, const std::string& section,
                                   std::span<const std::uint8_t> bytes, std::uint64_t sectionSize)
{
    if (Status name = CheckSectionName(section); !name)
        return name;
    if (bytes.size() != sectionSize)
        return Status::Fail("Section " + section + " of " + DisplayName(image) + " holds " +
                            std::to_string(sectionSize) + " bytes, but " + std::to_string(bytes.size()) +
                            " bytes were to be written into it. Nothing was written.\n");
    const fs::path file = folder_ / ReplacementFileName;
    if (Status written = WriteNewFile(file, bytes); !written)
        return written;
    Status replaced = ReplaceSectionFrom(image, section, file, sectionSize);
    std::error_code ignored;
    fs::remove(file, ignored);
    return replaced;
}

Status ToolSession::ReplaceSectionFrom(const fs::path& image, const std::string& section, const fs::path& bytesFile,
                                       std::uint64_t sectionSize)
{
    if (Status name = CheckSectionName(section); !name)
        return name;
    const std::uintmax_t size = FileSize(bytesFile);
    if (bytesFile.parent_path() != folder_ || size != sectionSize)
        return Status::Fail("Section " + section + " of " + DisplayName(image) + " holds " +
                            std::to_string(sectionSize) + " bytes, but " + std::to_string(size) +
                            " bytes were to be written into it. Nothing was written.\n");
    Outcome<std::string> handed = HandedName(image);
    if (!handed)
        return Status::Fail(handed.message());
    const std::string step = "writing section " + section + " of " + DisplayName(image);
    // sectmend reads the file and writes the section: twice its size.
    const ToolLimits limits{std::chrono::milliseconds(0), RunTimeLimit(2 * sectionSize + FileSize(image)),
                            64 * 1024};
    return Run("sectmend", {"-replace", section, "-bits", bytesFile.filename().string(), handed.value()}, limits,
               step, true);
}

}  // namespace vantrel
