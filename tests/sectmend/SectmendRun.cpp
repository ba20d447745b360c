#include "SectmendRun.h"

#include <algorithm>
#include <stdexcept>

namespace vantrel::testing {

ProgramResult RunSectmend(const std::vector<std::string>& args, const std::filesystem::path& directory,
                          const std::string& input)
{
    std::vector<std::string> argv = {(ToolsDir() / "sectmend").string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, input, directory);
}

Bytes SpecSectionBytes(const ImageSpec& spec, const std::string& name)
{
    for (const auto& section : spec.sections)
        if (section.name == name) return section.bytes;
    throw std::invalid_argument("no section " + name);
}

Bytes Patched(Bytes bytes, std::size_t offset, const Bytes& replacement)
{
    std::copy(replacement.begin(), replacement.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return bytes;
}

std::vector<ArchiveMember> OverlayMembers()
{
    ImageSpec machineZero = SampleImage();
    machineZero.machine = 0;
    ImageSpec another = SampleImage();
    another.sections[4].bytes = PatternBytes(64, 42);  // L1_code
    return {{"overlay1.elf", MakeElfImage(machineZero)},
            {"overlay1.elf", MakeElfImage(SampleImage())},
            {"another.elf", MakeElfImage(another)}};
}

SampleFolder::SampleFolder()
{
    WriteElfImage(dir_ / "p0.vnf", SampleImage());
    WriteArchive(dir_ / "o1.ovl", OverlayMembers());
    WriteFileText(dir_ / "notes.txt", "These are notes, not an image.\n");
    WriteFileBytes(dir_ / "wide.elf", Make64BitElf());
}

}  // namespace vantrel::testing
