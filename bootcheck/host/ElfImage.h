// The host's stand-in for a target's loader: reads the sections of a 32-bit
// ELF image into memory and hands them to the boot check the way boot code
// would from its linker symbols. For the tests and the fuzz target only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bootcheck.h"

namespace bootcheck_host {

struct ElfSection {
    std::string name;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;  // as stored in the file; empty without contents
    bool hasContents = false;
};

class ElfImage {
public:
    // The sections of an image in memory; nothing and error set when it is
    // not a 32-bit ELF image that can be read.
    static std::optional<ElfImage> Parse(std::vector<std::uint8_t> file, std::string& error);
    static std::optional<ElfImage> Read(const std::string& path, std::string& error);

    // The first section of that name with contents.
    ElfSection* Find(const std::string& name);

    // The boot check's view: the protection sections by name, and one
    // writable region per section of the program (contents and flags; not
    // the symbol and string tables), at its address. A loader places memory
    // by segments, not sections: this is the host's stand-in, the same rule
    // verify uses. Points into this object: keep it alive while used.
    bootcheck_image View();

    std::vector<ElfSection> sections;

private:
    std::vector<bootcheck_region> regions_;
};

// The bytes of a public key written by `vantrel-utility keys export --format c`:
// the numbers between the braces. Nothing when the text holds none.
std::optional<std::vector<std::uint8_t>> ParseKeyArray(const std::string& text);

}  // namespace bootcheck_host
