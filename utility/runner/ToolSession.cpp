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

#include "core/HexText.h"
#include "filereplace/UniqueFd.h"
#include "core/Files.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr const char* BytesFileName = "section.bin";
constexpr const char* ReplacementFileName = "replacement.bin";

bool IsCarriedNameCharacter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           (c >= 0x80 && c <= 0xfe);
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
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsCarriedNameCharacter(byte))
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "0x%02x", byte);
        const std::string shown = byte > 0x20 && byte < 0x7f ? "'" + std::string(1, c) + "'"
                                                             : std::string("the byte ") + code;
        return Status::Fail("Section '" + name + "' cannot be handed to sectmend: its name holds " + shown +
                            ", and sectmend takes only letters, digits, '.' and '_' in a section name.\n");
    }
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
      lastRun_(std::move(other.lastRun_))
{
    other.folder_.clear();
}

ToolSession::~ToolSession() = default;

Outcome<fs::path> ToolSession::CopyIn(const fs::path& image, const std::string& displayName)
{
    const fs::path working = folder_ / "image.vnf";
    TargetState seen;
    InspectTarget(image.string(), seen);  // only what it was; the rules apply to the target at CommitOver
    Outcome<FileOwnership> copied = CopyFileContents(image, working);
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
                        const std::string& step, bool quiet)
{
    ToolArguments commandLine{ToolPath(toolDirectory_, tool)};
    commandLine.insert(commandLine.end(), arguments.begin(), arguments.end());
    lastRun_ = RunTool(commandLine, folder_, limits);
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
                         "listing the sections of " + image.string(), false);
        !run)
        return Outcome<std::string>::Fail(run.message());
    return std::move(lastRun_.output);
}

Outcome<std::string> ToolSession::GetSectionText(const fs::path& image, const std::string& section,
                                                 std::uint64_t size)
{
    if (Status name = CheckSectionName(section); !name)
        return Outcome<std::string>::Fail(name.message());
    Outcome<std::string> handed = HandedName(image);
    if (!handed)
        return handed;
    const std::string step = "reading section " + section + " of " + DisplayName(image);
    // Twice the section's size in digits, and room for one error line.
    const ToolLimits limits{DefaultSilenceLimit(), RunTimeLimit(FileSize(image)),
                            static_cast<std::size_t>(2 * size) + 4096};
    if (Status run = Run("sectmend", {"-get", section, "-text", handed.value()}, limits, step, false); !run)
        return Outcome<std::string>::Fail(run.message());
    std::string text = std::move(lastRun_.output);
    if (text.size() != 2 * size || !IsHexDigits(text))
        return Outcome<std::string>::Fail("sectmend printed " + std::to_string(text.size()) +
                                          " characters of section text while " + step + ", not the " +
                                          std::to_string(2 * size) + " hexadecimal digits of its size.\n");
    return text;
}

Outcome<std::vector<std::uint8_t>> ToolSession::GetSection(const fs::path& image, const std::string& section)
{
    using Result = Outcome<std::vector<std::uint8_t>>;
    if (Status name = CheckSectionName(section); !name)
        return Result::Fail(name.message());
    Outcome<std::string> handed = HandedName(image);
    if (!handed)
        return Result::Fail(handed.message());
    const fs::path file = folder_ / BytesFileName;
    std::error_code ignored;
    fs::remove(file, ignored);
    const std::string step = "reading section " + section + " of " + DisplayName(image);
    const ToolLimits limits{std::chrono::milliseconds(0), RunTimeLimit(FileSize(image)), 64 * 1024};
    if (Status run = Run("sectmend", {"-get", section, "-o", BytesFileName, handed.value()}, limits, step, true);
        !run)
        return Result::Fail(run.message());
    // A section is never larger than its image.
    Outcome<std::vector<std::uint8_t>> bytes =
        ReadFileContents(file, static_cast<std::size_t>(FileSize(image)), "section " + section + " of " + DisplayName(image));
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
    Outcome<std::string> handed = HandedName(image);
    if (!handed)
        return Status::Fail(handed.message());
    const fs::path file = folder_ / ReplacementFileName;
    if (Status written = WriteNewFile(file, bytes); !written)
        return written;
    const std::string step = "writing section " + section + " of " + DisplayName(image);
    const ToolLimits limits{std::chrono::milliseconds(0), RunTimeLimit(FileSize(image)), 64 * 1024};
    Status run = Run("sectmend", {"-replace", section, "-bits", ReplacementFileName, handed.value()}, limits, step,
                     true);
    std::error_code ignored;
    fs::remove(file, ignored);
    return run;
}

}  // namespace vantrel
