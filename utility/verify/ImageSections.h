#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// One section header of an image as the listing tool prints it.
struct ListedSection {
    std::string name;
    std::string type;        // "progbits", "nobits", ...
    std::uint32_t flags = 0;
    std::uint32_t address = 0;
    std::uint32_t size = 0;
};

class ToolSession;

// Reads an image's sections through the two tools (one session, whose
// private folder goes with the object): the listing, and the bytes of one
// section as stored.
class ImageSections {
public:
    ImageSections(std::string toolDirectory, std::string imagePath);
    ~ImageSections();
    ImageSections(const ImageSections&) = delete;
    ImageSections& operator=(const ImageSections&) = delete;

    // Lists the image's sections; false with error set when the listing
    // cannot be had.
    bool List(std::string& error);
    const std::vector<ListedSection>& sections() const { return sections_; }
    const std::string& imagePath() const { return imagePath_; }

    // The first listed section with this name.
    const ListedSection* FindByName(const std::string& name) const;
    // The first listed section with file contents and flags that holds the
    // bytes [address, address + size) whole, as the target reads them from
    // memory; offset is where they start in it.
    const ListedSection* FindHolding(std::uint32_t address, std::uint32_t size, std::uint32_t& offset) const;

    // True when exactly one listed section has this name: the tools read
    // sections by name, so only such a section can be read for certain.
    bool NameIsUnique(const std::string& name) const;

    // The section's bytes as stored in the image.
    std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& name, std::string& error);

private:
    std::string toolDirectory_;
    std::string imagePath_;
    std::unique_ptr<ToolSession> tools_;
    std::vector<ListedSection> sections_;
};

}  // namespace vantrel
