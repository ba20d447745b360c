// The test-image maker's output as binutils sees it: section names, sizes and
// offsets from readelf, member names from ar, bytes where the maker says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "ElfMaker.h"
#include "TestSupport.h"

namespace vantrel::testing {
namespace {

std::string Readelf(const std::filesystem::path& path)
{
    ProgramResult result = RunProgram({"/usr/bin/readelf", "-W", "-S", "-h", path.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return result.out;
}

TEST(ElfMaker, SampleImageReadsBackWithReadelf)
{
    TempDir dir;
    const ImageSpec spec = SampleImage();
    WriteElfImage(dir / "a.elf", spec);
    const std::string text = Readelf(dir / "a.elf");
    EXPECT_NE(text.find("ELF32"), std::string::npos);
    EXPECT_NE(text.find("ARM"), std::string::npos);
    for (const char* name : {"msg_code", "msg_data", "digital_signature", "AESData", "L1_code", "empty",
                             "bss", "dup", ".shstrtab"})
        EXPECT_NE(text.find(std::string(" ") + name + " "), std::string::npos) << name;
    EXPECT_NE(text.find("NOBITS"), std::string::npos);
    char line[64];
    std::snprintf(line, sizeof line, "%06x %06x", SectionOffset(spec, "digital_signature"), 48u);
    EXPECT_NE(text.find(line), std::string::npos) << text;
}

TEST(ElfMaker, SectionBytesLandAtTheirOffset)
{
    const ImageSpec spec = SampleImage();
    const Bytes image = MakeElfImage(spec);
    for (const auto& section : spec.sections) {
        if (section.type == 8 || section.name == "dup") continue;
        const std::uint32_t at = SectionOffset(spec, section.name);
        ASSERT_LE(at + section.bytes.size(), image.size());
        EXPECT_TRUE(std::equal(section.bytes.begin(), section.bytes.end(), image.begin() + at))
            << section.name;
    }
}

TEST(ElfMaker, MachineZeroAnd64BitImages)
{
    TempDir dir;
    ImageSpec spec = SampleImage();
    spec.machine = 0;
    WriteElfImage(dir / "m0.elf", spec);
    EXPECT_NE(Readelf(dir / "m0.elf").find("Machine:                           None"), std::string::npos);
    WriteFileBytes(dir / "w.elf", Make64BitElf());
    const std::string text = Readelf(dir / "w.elf");
    EXPECT_NE(text.find("ELF64"), std::string::npos);
    EXPECT_NE(text.find(" data "), std::string::npos);
}

TEST(ElfMaker, ArchiveMembersListAndLandAtTheirOffsets)
{
    TempDir dir;
    const std::vector<ArchiveMember> members = {
        {"odd.txt", {'x', 'y', 'z'}},
        {"overlay1.elf", MakeElfImage(SampleImage())},
        {"a_member_with_a_long_name.elf", MakeElfImage(SampleImage())},
    };
    WriteArchive(dir / "o1.ovl", members);
    ProgramResult listing = RunProgram({"/usr/bin/ar", "t", (dir / "o1.ovl").string()});
    EXPECT_EQ(listing.status, 0) << listing.err;
    EXPECT_EQ(listing.out, "odd.txt\noverlay1.elf\na_member_with_a_long_name.elf\n");
    const Bytes archive = ReadFileBytes(dir / "o1.ovl");
    for (std::size_t i = 0; i < members.size(); ++i) {
        const std::uint32_t at = MemberOffset(members, i);
        EXPECT_EQ(at % 2, 0u);
        EXPECT_TRUE(std::equal(members[i].bytes.begin(), members[i].bytes.end(), archive.begin() + at));
    }
    ProgramResult printed =
        RunProgram({"/usr/bin/ar", "p", (dir / "o1.ovl").string(), "overlay1.elf"});
    EXPECT_EQ(printed.out, std::string(members[1].bytes.begin(), members[1].bytes.end()));
}

}  // namespace
}  // namespace vantrel::testing
