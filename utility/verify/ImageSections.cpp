#include "verify/ImageSections.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <system_error>

#include "inventory/NumberText.h"
#include "inventory/SectionListing.h"
#include "inventory/ToolTextCapture.h"
#include "runner/ToolRunner.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

fs::path MakeScratchDirectory()
{
    std::string pattern = (fs::temp_directory_path() / "vantrel-verify-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return {};
    return pattern;
}

}  // namespace

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
    const ListingCapture listing = CaptureListing(toolDirectory_, imagePath_);
    if (listing.outcome != ListingCapture::Outcome::Complete) {
        error = "cannot list the sections of " + imagePath_ + " with " + ToolPath(toolDirectory_, "scnlist");
        return false;
    }
    sections_.clear();
    for (const SectionRecord& record : ParseSectionListing(listing.text))
        sections_.push_back({record.name, record.typeText, ReadHexNumber(record.flagsText),
                             ReadHexNumber(record.addressText), ReadHexNumber(record.sizeText)});
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
