#include "LibElf.h"

#include <dlfcn.h>

#include <filesystem>
#include <memory>

namespace sectmend {

namespace {

constexpr const char* kLibraryName = "libelf.so.1";

template <typename Function>
void Resolve(void* handle, const std::string& library, const char* symbol, Function& target)
{
    void* address = dlsym(handle, symbol);
    if (address == nullptr)
        throw LibElfUnavailable("ERROR: The ELF library " + library + " has no function " + symbol + ".");
    target = reinterpret_cast<Function>(address);
}

LibElf ResolveAll(void* handle, const std::string& library)
{
    LibElf lib;
    Resolve(handle, library, "elf_version", lib.version);
    Resolve(handle, library, "elf_begin", lib.begin);
    Resolve(handle, library, "elf_end", lib.end);
    Resolve(handle, library, "elf_kind", lib.kind);
    Resolve(handle, library, "elf_getarhdr", lib.getarhdr);
    Resolve(handle, library, "elf_next", lib.next);
    Resolve(handle, library, "elf32_getehdr", lib.getehdr32);
    Resolve(handle, library, "elf_getscn", lib.getscn);
    Resolve(handle, library, "elf_nextscn", lib.nextscn);
    Resolve(handle, library, "elf32_getshdr", lib.getshdr32);
    Resolve(handle, library, "elf_strptr", lib.strptr);
    Resolve(handle, library, "elf_getshdrnum", lib.getshdrnum);
    Resolve(handle, library, "elf_getshdrstrndx", lib.getshdrstrndx);
    Resolve(handle, library, "elf_getbase", lib.getbase);
    Resolve(handle, library, "elf_ndxscn", lib.ndxscn);
    return lib;
}

}  // namespace

LibElf LoadLibElf(const std::vector<std::string>& candidates)
{
    std::string reason = "no candidate";
    for (const auto& candidate : candidates) {
        // The handle stays open for the life of the process: the functions
        // resolved from it are used until the end.
        void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) return ResolveAll(handle, candidate);
        const char* error = dlerror();
        reason = error != nullptr ? error : candidate + ": cannot be loaded";
    }
    throw LibElfUnavailable(std::string("ERROR: The ELF library ") + kLibraryName +
                            " could not be loaded (" + reason + ").");
}

std::vector<std::string> LibElfCandidates()
{
    std::vector<std::string> candidates;
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) candidates.push_back((executable.parent_path() / "System" / kLibraryName).string());
    candidates.emplace_back(kLibraryName);
    return candidates;
}

const LibElf& libElf()
{
    static std::unique_ptr<LibElf> loaded;
    if (!loaded) loaded = std::make_unique<LibElf>(LoadLibElf(LibElfCandidates()));
    return *loaded;
}

}  // namespace sectmend
