#pragma once

#include <libelf.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace sectmend {

// The ELF library's functions, resolved at run time. The library is not
// linked in: it is loaded at the first ELF call, from the System folder beside
// the executable first, then through the ordinary library search.
struct LibElf {
    decltype(&::elf_version) version = nullptr;
    decltype(&::elf_begin) begin = nullptr;
    decltype(&::elf_end) end = nullptr;
    decltype(&::elf_kind) kind = nullptr;
    decltype(&::elf_getarhdr) getarhdr = nullptr;
    decltype(&::elf_next) next = nullptr;
    decltype(&::elf32_getehdr) getehdr32 = nullptr;
    decltype(&::elf_getscn) getscn = nullptr;
    decltype(&::elf_nextscn) nextscn = nullptr;
    decltype(&::elf32_getshdr) getshdr32 = nullptr;
    decltype(&::elf_strptr) strptr = nullptr;
    decltype(&::elf_getshdrnum) getshdrnum = nullptr;
    decltype(&::elf_getshdrstrndx) getshdrstrndx = nullptr;
    decltype(&::elf_getbase) getbase = nullptr;
    decltype(&::elf_ndxscn) ndxscn = nullptr;
};

// The library cannot be loaded or lacks a function; what() is the whole
// "ERROR: ..." line without its line end.
class LibElfUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads the first of the candidates that loads and resolves every function.
// Throws LibElfUnavailable. Each call loads afresh; libElf() keeps one.
LibElf LoadLibElf(const std::vector<std::string>& candidates);

// <executable dir>/System/libelf.so.1, then "libelf.so.1".
std::vector<std::string> LibElfCandidates();

// The process's library, loaded on the first call. Throws LibElfUnavailable.
const LibElf& libElf();

}  // namespace sectmend
