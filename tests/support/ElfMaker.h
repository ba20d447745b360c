#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace vantrel::testing {

// Declarative maker of small 32-bit little-endian ELF images and archives for
// the tests: one call per image, names and bytes in plain sight.

struct SectionSpec {
    std::string name;
    Bytes bytes;                       // file contents (ignored for SHT_NOBITS)
    std::uint32_t type = 1;            // SHT_PROGBITS
    std::uint32_t flags = 2;           // SHF_ALLOC
    std::uint32_t address = 0;
    std::uint32_t nobitsSize = 0;      // size of an SHT_NOBITS section
};

struct ImageSpec {
    std::uint16_t machine = 40;        // EM_ARM; 0 makes a "machine 0" member
    std::vector<SectionSpec> sections; // after the null section, before .shstrtab
};

// The file image; sections are laid out in order after the ELF header, each
// aligned to 4 bytes, followed by .shstrtab and the section header table.
Bytes MakeElfImage(const ImageSpec& spec);
void WriteElfImage(const std::filesystem::path& path, const ImageSpec& spec);

// Offset in the file of the named section's bytes (first section of that
// name), as laid out by MakeElfImage.
std::uint32_t SectionOffset(const ImageSpec& spec, const std::string& name);

struct ArchiveMember {
    std::string name;
    Bytes bytes;
};
// A System V / GNU "ar" archive of the members in order.
Bytes MakeArchive(const std::vector<ArchiveMember>& members);
void WriteArchive(const std::filesystem::path& path, const std::vector<ArchiveMember>& members);
// Offset in the archive file of the first byte of member index i.
std::uint32_t MemberOffset(const std::vector<ArchiveMember>& members, std::size_t i);

// Images the tests share.
// msg_code, msg_data, digital_signature (48 bytes), AESData, L1_code, an
// empty section, an SHT_NOBITS section, two sections named "dup".
ImageSpec SampleImage();
// A 64-bit ELF file with one section.
Bytes Make64BitElf();

}  // namespace vantrel::testing
