#include "ElfMaker.h"

#include <stdexcept>

namespace vantrel::testing {

namespace {

constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint32_t kShtStrtab = 3;
constexpr std::uint32_t kElfHeaderSize = 52;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::size_t kArchiveHeaderSize = 60;

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

void Put16(Bytes& out, std::size_t at, std::uint16_t v)
{
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Put64(Bytes& out, std::size_t at, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Where each part of an image lands in the file.
struct Layout {
    std::vector<std::uint32_t> sectionOffsets;  // one per spec section
    std::vector<std::uint32_t> nameOffsets;     // in .shstrtab, one per spec section
    std::uint32_t shstrtabNameOffset = 0;
    std::string shstrtab;
    std::uint32_t shstrtabOffset = 0;
    std::uint32_t headersOffset = 0;
    std::uint32_t fileSize = 0;
};

std::uint32_t FileSize(const SectionSpec& section)
{
    return section.type == kShtNobits ? 0 : static_cast<std::uint32_t>(section.bytes.size());
}

Layout ComputeLayout(const ImageSpec& spec)
{
    Layout layout;
    layout.shstrtab.push_back('\0');
    std::uint32_t position = kElfHeaderSize;
    for (const auto& section : spec.sections) {
        position = AlignUp(position, 4);
        layout.sectionOffsets.push_back(position);
        position += FileSize(section);
        layout.nameOffsets.push_back(static_cast<std::uint32_t>(layout.shstrtab.size()));
        layout.shstrtab += section.name;
        layout.shstrtab.push_back('\0');
    }
    layout.shstrtabNameOffset = static_cast<std::uint32_t>(layout.shstrtab.size());
    layout.shstrtab += ".shstrtab";
    layout.shstrtab.push_back('\0');
    layout.shstrtabOffset = AlignUp(position, 4);
    layout.headersOffset =
        AlignUp(layout.shstrtabOffset + static_cast<std::uint32_t>(layout.shstrtab.size()), 4);
    const auto sectionCount = static_cast<std::uint32_t>(spec.sections.size() + 2);
    layout.fileSize = layout.headersOffset + sectionCount * kSectionHeaderSize;
    return layout;
}

void PutElfIdent(Bytes& out, std::uint8_t elfClass)
{
    out[0] = 0x7f;
    out[1] = 'E';
    out[2] = 'L';
    out[3] = 'F';
    out[4] = elfClass;  // 1: 32-bit, 2: 64-bit
    out[5] = 1;         // little-endian
    out[6] = 1;         // EV_CURRENT
}

void PutElfHeader(Bytes& out, const ImageSpec& spec, const Layout& layout)
{
    PutElfIdent(out, 1);
    Put16(out, 16, 2);  // ET_EXEC
    Put16(out, 18, spec.machine);
    Put32(out, 20, 1);  // e_version
    Put32(out, 32, layout.headersOffset);
    Put16(out, 40, kElfHeaderSize);
    Put16(out, 46, kSectionHeaderSize);
    Put16(out, 48, static_cast<std::uint16_t>(spec.sections.size() + 2));
    Put16(out, 50, static_cast<std::uint16_t>(spec.sections.size() + 1));
}

void PutSectionHeader(Bytes& out, std::size_t index, std::uint32_t headersOffset, std::uint32_t name,
                      std::uint32_t type, std::uint32_t flags, std::uint32_t address,
                      std::uint32_t offset, std::uint32_t size)
{
    const std::size_t at = headersOffset + index * kSectionHeaderSize;
    Put32(out, at + 0, name);
    Put32(out, at + 4, type);
    Put32(out, at + 8, flags);
    Put32(out, at + 12, address);
    Put32(out, at + 16, offset);
    Put32(out, at + 20, size);
    Put32(out, at + 32, 1);  // sh_addralign
}

const SectionSpec& FindSpecSection(const ImageSpec& spec, const std::string& name, std::size_t& index)
{
    for (index = 0; index < spec.sections.size(); ++index)
        if (spec.sections[index].name == name) return spec.sections[index];
    throw std::invalid_argument("no section named " + name + " in the image spec");
}

std::string Padded(const std::string& text, std::size_t width)
{
    if (text.size() > width) throw std::invalid_argument("archive header field too long: " + text);
    return text + std::string(width - text.size(), ' ');
}

std::string MemberHeader(const std::string& name, std::size_t size)
{
    return Padded(name, 16) + Padded("0", 12) + Padded("0", 6) + Padded("0", 6) + Padded("644", 8) +
           Padded(std::to_string(size), 10) + "`\n";
}

// GNU names: "name/" when it fits in 16 characters, otherwise "/offset" into a
// "//" member holding "name/\n" entries.
struct ArchiveNames {
    std::string longNames;
    std::vector<std::string> headerNames;
};

ArchiveNames NameMembers(const std::vector<ArchiveMember>& members)
{
    ArchiveNames names;
    for (const auto& member : members) {
        if (member.name.size() < 16) {
            names.headerNames.push_back(member.name + "/");
        } else {
            names.headerNames.push_back("/" + std::to_string(names.longNames.size()));
            names.longNames += member.name + "/\n";
        }
    }
    return names;
}

void AppendMember(std::string& out, const std::string& headerName, const std::string& data)
{
    out += MemberHeader(headerName, data.size());
    out += data;
    if (out.size() % 2 != 0) out.push_back('\n');
}

std::string ArchiveText(const std::vector<ArchiveMember>& members, std::vector<std::size_t>* offsets)
{
    const ArchiveNames names = NameMembers(members);
    std::string out = "!<arch>\n";
    if (!names.longNames.empty()) AppendMember(out, "//", names.longNames);
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (offsets) offsets->push_back(out.size() + kArchiveHeaderSize);
        AppendMember(out, names.headerNames[i],
                     std::string(members[i].bytes.begin(), members[i].bytes.end()));
    }
    return out;
}

}  // namespace

Bytes MakeElfImage(const ImageSpec& spec)
{
    const Layout layout = ComputeLayout(spec);
    Bytes out(layout.fileSize, 0);
    PutElfHeader(out, spec, layout);
    for (std::size_t i = 0; i < spec.sections.size(); ++i) {
        const SectionSpec& section = spec.sections[i];
        const std::uint32_t offset = layout.sectionOffsets[i];
        std::copy(section.bytes.begin(), section.bytes.begin() + FileSize(section), out.begin() + offset);
        const std::uint32_t size =
            section.type == kShtNobits ? section.nobitsSize : FileSize(section);
        PutSectionHeader(out, i + 1, layout.headersOffset, layout.nameOffsets[i], section.type,
                         section.flags, section.address, offset, size);
    }
    std::copy(layout.shstrtab.begin(), layout.shstrtab.end(), out.begin() + layout.shstrtabOffset);
    PutSectionHeader(out, spec.sections.size() + 1, layout.headersOffset, layout.shstrtabNameOffset,
                     kShtStrtab, 0, 0, layout.shstrtabOffset,
                     static_cast<std::uint32_t>(layout.shstrtab.size()));
    return out;
}

void WriteElfImage(const std::filesystem::path& path, const ImageSpec& spec)
{
    WriteFileBytes(path, MakeElfImage(spec));
}

std::uint32_t SectionOffset(const ImageSpec& spec, const std::string& name)
{
    std::size_t index = 0;
    FindSpecSection(spec, name, index);
    return ComputeLayout(spec).sectionOffsets[index];
}

Bytes MakeArchive(const std::vector<ArchiveMember>& members)
{
    const std::string text = ArchiveText(members, nullptr);
    return Bytes(text.begin(), text.end());
}

void WriteArchive(const std::filesystem::path& path, const std::vector<ArchiveMember>& members)
{
    WriteFileBytes(path, MakeArchive(members));
}

std::uint32_t MemberOffset(const std::vector<ArchiveMember>& members, std::size_t i)
{
    std::vector<std::size_t> offsets;
    ArchiveText(members, &offsets);
    return static_cast<std::uint32_t>(offsets.at(i));
}

ImageSpec SampleImage()
{
    ImageSpec spec;
    spec.sections = {
        {"msg_code", PatternBytes(96, 1), 1, 6, 0x1000},
        {"msg_data", PatternBytes(40, 2), 1, 3, 0x2000},
        {"digital_signature", Bytes(48, 0), 1, 2, 0x3000},
        {"AESData", PatternBytes(32, 4), 1, 2, 0x3100},
        {"L1_code", PatternBytes(64, 5), 1, 6, 0x4000},
        {"empty", {}, 1, 2, 0x5000},
        {"bss", {}, kShtNobits, 3, 0x6000, 256},
        {"dup", PatternBytes(8, 7), 1, 2, 0x7000},
        {"dup", PatternBytes(8, 8), 1, 2, 0x7100},
    };
    return spec;
}

Bytes Make64BitElf()
{
    // ELF header (64 bytes), one section of 8 bytes, .shstrtab, then the three
    // section headers (null, data, .shstrtab) of 64 bytes each.
    const std::string names = std::string("\0data\0.shstrtab\0", 17);
    const std::uint64_t dataOffset = 64, namesOffset = 72, headersOffset = 96;
    Bytes out(headersOffset + 3 * 64, 0);
    PutElfIdent(out, 2);
    Put16(out, 16, 2);   // ET_EXEC
    Put16(out, 18, 62);  // EM_X86_64
    Put32(out, 20, 1);
    Put64(out, 40, headersOffset);
    Put16(out, 52, 64);
    Put16(out, 58, 64);
    Put16(out, 60, 3);
    Put16(out, 62, 2);
    const Bytes data = PatternBytes(8, 9);
    std::copy(data.begin(), data.end(), out.begin() + dataOffset);
    std::copy(names.begin(), names.end(), out.begin() + namesOffset);
    auto header = [&](std::size_t index, std::uint32_t name, std::uint32_t type, std::uint64_t offset,
                      std::uint64_t size) {
        const std::size_t at = headersOffset + index * 64;
        Put32(out, at, name);
        Put32(out, at + 4, type);
        Put64(out, at + 24, offset);
        Put64(out, at + 32, size);
        Put64(out, at + 48, 1);
    };
    header(1, 1, 1, dataOffset, data.size());
    header(2, 6, kShtStrtab, namesOffset, names.size());
    return out;
}

}  // namespace vantrel::testing
