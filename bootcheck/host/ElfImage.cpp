#include "ElfImage.h"

#include <elf.h>
#include <gelf.h>
#include <libelf.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace bootcheck_host {

namespace {

struct ElfCloser {
    void operator()(Elf* elf) const { elf_end(elf); }
};

bool ReadSection(Elf* elf, Elf_Scn* scn, std::size_t namesIndex, ElfSection& section)
{
    // A copy: the header table of a damaged file need not be aligned.
    GElf_Shdr headerCopy;
    if (!gelf_getshdr(scn, &headerCopy))
        return false;
    const GElf_Shdr* header = &headerCopy;
    const char* name = elf_strptr(elf, namesIndex, header->sh_name);
    section.name = name ? name : "";
    section.type = header->sh_type;
    section.flags = static_cast<std::uint32_t>(header->sh_flags);
    section.address = static_cast<std::uint32_t>(header->sh_addr);
    if (header->sh_type == SHT_NOBITS)
        return true;
    Elf_Data* data = elf_rawdata(scn, nullptr);
    if (!data || (header->sh_size != 0 && !data->d_buf) || data->d_size != header->sh_size)
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data->d_buf);
    section.bytes.assign(bytes, bytes + data->d_size);
    section.hasContents = true;
    return true;
}

}  // namespace

std::optional<ElfImage> ElfImage::Parse(std::vector<std::uint8_t> file, std::string& error)
{
    elf_version(EV_CURRENT);
    std::unique_ptr<Elf, ElfCloser> elf(
        elf_memory(reinterpret_cast<char*>(file.data()), file.size()));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF || !elf32_getehdr(elf.get())) {
        error = "not a 32-bit ELF image";
        return std::nullopt;
    }
    std::size_t namesIndex = 0;
    if (elf_getshdrstrndx(elf.get(), &namesIndex) != 0) {
        error = "the section name table cannot be found";
        return std::nullopt;
    }
    ElfImage image;
    for (Elf_Scn* scn = elf_nextscn(elf.get(), nullptr); scn; scn = elf_nextscn(elf.get(), scn)) {
        ElfSection section;
        if (!ReadSection(elf.get(), scn, namesIndex, section)) {
            error = "a section cannot be read";
            return std::nullopt;
        }
        image.sections.push_back(std::move(section));
    }
    return image;
}

std::optional<ElfImage> ElfImage::Read(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return std::nullopt;
    }
    std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(std::move(file), error);
}

ElfSection* ElfImage::Find(const std::string& name)
{
    for (ElfSection& section : sections)
        if (section.name == name && section.hasContents)
            return &section;
    return nullptr;
}

bootcheck_image ElfImage::View()
{
    bootcheck_image view{};
    if (ElfSection* s = Find("msg_data")) {
        view.msg_data = s->bytes.data();
        view.msg_data_size = static_cast<std::uint32_t>(s->bytes.size());
    }
    if (ElfSection* s = Find("digital_signature")) {
        view.digital_signature = s->bytes.data();
        view.digital_signature_size = static_cast<std::uint32_t>(s->bytes.size());
    }
    if (ElfSection* s = Find("AESData")) {
        view.aes_data = s->bytes.data();
        view.aes_data_size = static_cast<std::uint32_t>(s->bytes.size());
    }
    regions_.clear();
    for (ElfSection& section : sections)
        if (section.hasContents && section.flags != 0)
            regions_.push_back({section.address, static_cast<std::uint32_t>(section.bytes.size()),
                                section.bytes.data(), 1});
    view.regions = regions_.data();
    view.region_count = static_cast<std::uint32_t>(regions_.size());
    return view;
}

std::optional<std::vector<std::uint8_t>> ParseKeyArray(const std::string& text)
{
    const std::size_t open = text.find('{'), close = text.find('}', open == std::string::npos ? 0 : open);
    if (open == std::string::npos || close == std::string::npos)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = text.find("0x", open); at != std::string::npos && at < close;
         at = text.find("0x", at + 2))
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(text.c_str() + at, nullptr, 16)));
    if (bytes.empty())
        return std::nullopt;
    return bytes;
}

}  // namespace bootcheck_host
