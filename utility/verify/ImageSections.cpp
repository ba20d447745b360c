#include "verify/ImageSections.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "inventory/NumberText.h"
#include "inventory/SectionListing.h"
#include "runner/ToolSession.h"

namespace vantrel {

namespace fs = std::filesystem;


ImageSections::ImageSections(std::string toolDirectory, std::string imagePath)
    : toolDirectory_(std::move(toolDirectory)), imagePath_(std::move(imagePath))
{
}

ImageSections::~ImageSections() = default;

bool ImageSections::List(std::string& error)
{
    std::error_code fileError;
    if (!fs::is_regular_file(imagePath_, fileError)) {
        error = "cannot read image " + imagePath_;
        return false;
    }
    Outcome<ToolSession> session = ToolSession::Open(toolDirectory_);
    if (!session) {
        error = MessageLine(session.message());
        return false;
    }
    tools_ = std::make_unique<ToolSession>(std::move(session.value()));
    const Outcome<std::string> listing = tools_->ListSections(imagePath_);
    if (!listing) {
        error = "cannot list the sections of " + imagePath_ + ": " + MessageLine(listing.message());
        return false;
    }
    sections_.clear();
    for (const SectionRecord& record : ParseSectionListing(listing.value()))
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

const ListedSection* ImageSections::FindHolding(std::uint32_t address, std::uint32_t size,
                                                std::uint32_t& offset) const
{
    for (const auto& section : sections_) {
        offset = address - section.address;
        if (section.type != "nobits" && section.flags != 0 && address >= section.address &&
            offset <= section.size && size <= section.size - offset)
            return &section;
    }
    return nullptr;
}

bool ImageSections::NameIsUnique(const std::string& name) const
{
    return std::count_if(sections_.begin(), sections_.end(),
                         [&](const ListedSection& section) { return section.name == name; }) == 1;
}

std::optional<std::vector<std::uint8_t>> ImageSections::ReadBytes(const std::string& name, std::string& error)
{
    if (!tools_) {
        error = "the sections of " + imagePath_ + " were not listed";
        return std::nullopt;
    }
    Outcome<std::vector<std::uint8_t>> bytes = tools_->GetSection(imagePath_, name);
    if (!bytes) {
        error = "cannot read section " + name + " of " + imagePath_ + ": " + MessageLine(bytes.message());
        return std::nullopt;
    }
    return std::move(bytes.value());
}

}  // namespace vantrel
