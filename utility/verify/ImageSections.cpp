#include "verify/ImageSections.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "encryption/HexNumberText.h"
#include "runner/ToolRunner.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr int ListingHeadingLines = 7;
constexpr std::size_t ListingTokens = 12;

// The name token without the apostrophes around it.
std::string Unquoted(std::string name)
{
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'')
        return name.substr(1, name.size() - 2);
    return name;
}

// Everything the captured tool prints, or nothing when it falls silent for a
// whole poll or cannot be started.
std::optional<std::string> CaptureToolOutput(const ToolArguments& commandLine)
{
    const int handle = OpenToolPipe(commandLine);
    if (handle < 0)
        return std::nullopt;
    std::string output;
    char buffer[4096];
    for (;;) {
        const long count = PollToolPipe(handle, buffer, sizeof buffer);
        if (count == PollTimedOut) {
            CloseToolPipe();
            return std::nullopt;
        }
        if (count == 0)
            break;
        output.append(buffer, static_cast<std::size_t>(count));
    }
    CloseToolPipe();
    return output;
}

fs::path MakeScratchDirectory()
{
    std::string pattern = (fs::temp_directory_path() / "vantrel-verify-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

}  // namespace

std::vector<ListedSection> ParseSectionListing(const std::string& listing)
{
    std::vector<ListedSection> sections;
    std::istringstream lines(listing);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        if (line.empty() || ++lineNumber <= ListingHeadingLines)
            continue;
        std::istringstream words(line);
        std::vector<std::string> tokens{std::istream_iterator<std::string>(words), {}};
        if (tokens.size() != ListingTokens)
            continue;
        sections.push_back({Unquoted(tokens[11]), tokens[1], ReadHexNumber(tokens[2]), ReadHexNumber(tokens[3]),
                            ReadHexNumber(tokens[5])});
    }
    return sections;
}

ImageSections::ImageSections(std::string toolDirectory, std::string imagePath)
    : toolDirectory_(std::move(toolDirectory)), imagePath_(std::move(imagePath))
{
}

ImageSections::~ImageSections()
{
    if (!scratch_.empty()) {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }
}

bool ImageSections::List(std::string& error)
{
    std::error_code fileError;
    if (!fs::is_regular_file(imagePath_, fileError)) {
        error = "cannot read image " + imagePath_;
        return false;
    }
    const auto listing = CaptureToolOutput({ToolPath(toolDirectory_, "scnlist"), "-sh", imagePath_});
    if (!listing) {
        error = "cannot list the sections of " + imagePath_ + " with " + ToolPath(toolDirectory_, "scnlist");
        return false;
    }
    sections_ = ParseSectionListing(*listing);
    if (sections_.empty()) {
        error = "no sections listed for " + imagePath_ + " (not a 32-bit ELF image?)";
        return false;
    }
    return true;
}

const ListedSection* ImageSections::FindByName(const std::string& name) const
{
    for (const auto& section : sections_)
        if (section.name == name)
            return &section;
    return nullptr;
}

const ListedSection* ImageSections::FindByRange(std::uint32_t address, std::uint32_t size) const
{
    for (const auto& section : sections_)
        if (section.address == address && section.size == size && section.type != "nobits" && section.flags != 0)
            return &section;
    return nullptr;
}

std::optional<std::vector<std::uint8_t>> ImageSections::ReadBytes(const std::string& name, std::string& error)
{
    if (scratch_.empty())
        scratch_ = MakeScratchDirectory();
    if (scratch_.empty()) {
        error = "cannot create a temporary directory";
        return std::nullopt;
    }
    const fs::path file = scratch_ / "section.bin";
    std::error_code ignored;
    fs::remove(file, ignored);
    const int status = RunToolAndWait(ToolPath(toolDirectory_, "sectmend"),
                                      {"-get", name, "-o", file.string(), imagePath_});
    std::ifstream in(file, std::ios::binary);
    if (status != 0 || !in) {
        error = "cannot read section " + name + " of " + imagePath_;
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    return bytes;
}

}  // namespace vantrel
