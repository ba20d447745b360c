#include "ListingText.h"

#include <elf.h>

#include <array>
#include <cstdio>
#include <utility>

namespace scnlist {

std::string TypeWord(std::uint32_t type)
{
    static const std::array<std::pair<std::uint32_t, const char*>, 17> words{{
        {SHT_NULL, "null"},
        {SHT_PROGBITS, "progbits"},
        {SHT_SYMTAB, "symtab"},
        {SHT_STRTAB, "strtab"},
        {SHT_RELA, "rela"},
        {SHT_HASH, "hash"},
        {SHT_DYNAMIC, "dynamic"},
        {SHT_NOTE, "note"},
        {SHT_NOBITS, "nobits"},
        {SHT_REL, "rel"},
        {SHT_SHLIB, "shlib"},
        {SHT_DYNSYM, "dynsym"},
        {SHT_INIT_ARRAY, "init_array"},
        {SHT_FINI_ARRAY, "fini_array"},
        {SHT_PREINIT_ARRAY, "preinit_array"},
        {SHT_GROUP, "group"},
        {SHT_SYMTAB_SHNDX, "symtab_shndx"},
    }};
    for (const auto& [value, word] : words)
        if (value == type)
            return word;
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(type));
    return text;
}

std::string Hex8(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

std::string FlagLetters(std::uint32_t flags, unsigned char osAbi)
{
    static const std::array<std::pair<std::uint32_t, char>, 12> letters{{
        {SHF_WRITE, 'W'},
        {SHF_ALLOC, 'A'},
        {SHF_EXECINSTR, 'X'},
        {SHF_MERGE, 'M'},
        {SHF_STRINGS, 'S'},
        {SHF_INFO_LINK, 'I'},
        {SHF_LINK_ORDER, 'L'},
        {SHF_OS_NONCONFORMING, 'O'},
        {SHF_GROUP, 'G'},
        {SHF_TLS, 'T'},
        {SHF_COMPRESSED, 'C'},
        {SHF_EXCLUDE, 'E'},
    }};
    // Kept by the linker's garbage collection; an OS-range bit that readelf
    // names only for the ABIs that define it.
    const bool retainKnown = osAbi == ELFOSABI_GNU || osAbi == ELFOSABI_FREEBSD;
    // Known bits give their letter in bit order; any other bit of the
    // operating-system range gives 'o', of the processor range 'p', the
    // rest 'x', each once, after the letters.
    std::string text;
    bool os = false, processor = false, unknown = false;
    for (std::uint32_t bit = 1; bit != 0; bit <<= 1) {
        if ((flags & bit) == 0)
            continue;
        char letter = 0;
        for (const auto& [known, mark] : letters)
            if (known == bit)
                letter = mark;
        if (bit == SHF_GNU_RETAIN && retainKnown)
            letter = 'R';
        if (letter != 0)
            text += letter;
        else if ((bit & SHF_MASKOS) != 0)
            os = true;
        else if ((bit & SHF_MASKPROC) != 0)
            processor = true;
        else
            unknown = true;
    }
    if (os) text += 'o';
    if (processor) text += 'p';
    if (unknown) text += 'x';
    return text.empty() ? std::string("-") : text;
}

std::string Escaped(const std::string& text, bool forToken)
{
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        const bool special = c < 0x20 || c > 0x7e || c == '\\' ||
                             (forToken && (c == ' ' || c == '/' || c == ':' || c == '\''));
        if (!special) {
            out += static_cast<char>(c);
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02x", c);
        out += code;
    }
    return out;
}

}  // namespace scnlist
