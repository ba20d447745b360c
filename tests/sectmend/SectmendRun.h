#pragma once

// Running the built sectmend the way users do, in a folder holding the
// sample images.
#include <string>
#include <vector>

#include "ElfMaker.h"
#include "TestSupport.h"

namespace vantrel::testing {

ProgramResult RunSectmend(const std::vector<std::string>& args, const std::filesystem::path& directory,
                          const std::string& input = {});

// The bytes a spec's section holds (the first section of that name).
Bytes SpecSectionBytes(const ImageSpec& spec, const std::string& name);

// bytes with the range at offset replaced by replacement.
Bytes Patched(Bytes bytes, std::size_t offset, const Bytes& replacement);

// The archive o1.ovl: a machine-0 member named overlay1.elf first (passed
// over), then the real overlay1.elf, then another.elf.
std::vector<ArchiveMember> OverlayMembers();
constexpr std::size_t kOverlayIndex = 1;

// p0.vnf (the sample image), o1.ovl, notes.txt and wide.elf (64-bit) in a
// fresh folder.
class SampleFolder {
public:
    SampleFolder();
    const std::filesystem::path& path() const { return dir_.path(); }
    std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }
    ProgramResult run(const std::vector<std::string>& args, const std::string& input = {}) const
    {
        return RunSectmend(args, dir_.path(), input);
    }

private:
    TempDir dir_;
};

}  // namespace vantrel::testing
