// Writes a 32-bit ARM ELF image with one large section, ShareFunctionSection0,
// next to the small sections a protection and a signature need:
//
//   MakeLargeImage IMAGE MIB [fill]
//
// The large section is a hole (the file is sparse) unless "fill" is given,
// which writes pseudo-random bytes instead. Layout: ELF header, the small
// sections, the large one, .shstrtab, the section header table.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Section {
    std::string name;
    std::uint32_t address;
    std::uint64_t size;
    std::uint32_t offset = 0;
    std::uint32_t nameOffset = 0;
};

void Put(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool WriteAt(int fd, const std::vector<std::uint8_t>& bytes, std::uint64_t offset)
{
    return pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: MakeLargeImage IMAGE MIB [fill|messages]\n");
        return 2;
    }
    const std::uint64_t large = std::strtoull(argv[2], nullptr, 10) << 20;
    const bool fill = argc > 3 && std::string(argv[3]) == "fill";
    // "messages": msg_code and msg_data of the large size too (what sign reads).
    const bool messages = argc > 3 && std::string(argv[3]) == "messages";
    const std::uint64_t message = messages ? large : 256;
    std::vector<Section> sections{{"msg_code", messages ? 0x40000000u : 0x1000u, message},
                                  {"msg_data", messages ? 0x80000000u : 0x2000u, message},
                                  {"digital_signature", 0x3000, 48}, {"AESData", 0x4000, 1024},
                                  {"ShareFunctionSection0", 0x10000000, large}};
    std::string names(1, '\0');
    std::uint64_t position = 52;
    for (Section& section : sections) {
        position = (position + 15) & ~std::uint64_t{15};
        section.offset = static_cast<std::uint32_t>(position);
        position += section.size;
        section.nameOffset = static_cast<std::uint32_t>(names.size());
        names += section.name + '\0';
    }
    const auto namesName = static_cast<std::uint32_t>(names.size());
    names += ".shstrtab";
    names += '\0';
    const std::uint64_t namesOffset = position;
    const std::uint64_t headersOffset = (namesOffset + names.size() + 3) & ~std::uint64_t{3};
    const std::size_t count = sections.size() + 2;

    std::vector<std::uint8_t> header(52, 0);
    const std::uint8_t ident[] = {0x7f, 'E', 'L', 'F', 1, 1, 1};
    std::copy(std::begin(ident), std::end(ident), header.begin());
    Put(header, 16, 2, 2);   // ET_EXEC
    Put(header, 18, 40, 2);  // EM_ARM
    Put(header, 20, 1, 4);
    Put(header, 32, static_cast<std::uint32_t>(headersOffset), 4);
    Put(header, 40, 52, 2);
    Put(header, 46, 40, 2);
    Put(header, 48, static_cast<std::uint16_t>(count), 2);
    Put(header, 50, static_cast<std::uint16_t>(count - 1), 2);

    std::vector<std::uint8_t> table(count * 40, 0);
    for (std::size_t i = 0; i <= sections.size(); ++i) {
        const bool strings = i == sections.size();
        const std::size_t at = (i + 1) * 40;
        Put(table, at, strings ? namesName : sections[i].nameOffset, 4);
        Put(table, at + 4, strings ? 3 : 1, 4);           // SHT_STRTAB, SHT_PROGBITS
        Put(table, at + 8, strings ? 0 : 6, 4);           // SHF_ALLOC | SHF_EXECINSTR
        Put(table, at + 12, strings ? 0 : sections[i].address, 4);
        Put(table, at + 16, static_cast<std::uint32_t>(strings ? namesOffset : sections[i].offset), 4);
        Put(table, at + 20, static_cast<std::uint32_t>(strings ? names.size() : sections[i].size), 4);
        Put(table, at + 32, 1, 4);
    }

    const int fd = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = fd >= 0 && WriteAt(fd, header, 0) &&
              WriteAt(fd, std::vector<std::uint8_t>(names.begin(), names.end()), namesOffset) &&
              WriteAt(fd, table, headersOffset);
    // Large message sections stay sparse (zeros).
    for (std::size_t i = 0; ok && i + 1 < sections.size(); ++i)
        if (sections[i].size <= 1024)
            ok = WriteAt(fd, std::vector<std::uint8_t>(sections[i].size, static_cast<std::uint8_t>(0x11 * (i + 1))),
                         sections[i].offset);
    std::uint64_t state = 0x9e3779b97f4a7c15u;
    std::vector<std::uint8_t> block(1 << 20);
    for (std::uint64_t done = 0; ok && fill && done < large; done += block.size()) {
        for (std::uint8_t& byte : block) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            byte = static_cast<std::uint8_t>(state);
        }
        ok = WriteAt(fd, block, sections.back().offset + done);
    }
    if (!ok || close(fd) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
