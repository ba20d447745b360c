// Damaged images: truncated files, section bytes or headers past the end of
// the file, names that cannot be read. Each run ends with one "ERROR: ..."
// line and status 1 (never a crash), and touches no file.
#include <gtest/gtest.h>

#include "SectmendRun.h"

namespace vantrel::testing {
namespace {

constexpr std::size_t kShoff = 32;       // e_shoff in the ELF header
constexpr std::size_t kShnum = 48;       // e_shnum
constexpr std::size_t kShstrndx = 50;    // e_shstrndx
constexpr std::size_t kL1Index = 5;      // L1_code's section index in the sample image

void Put16(Bytes& bytes, std::size_t at, std::uint16_t value)
{
    bytes.at(at) = static_cast<std::uint8_t>(value);
    bytes.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const Bytes& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | bytes.at(at + i);
    return value;
}

// Sets one 32-bit field of L1_code's section header.
Bytes WithL1Field(std::size_t field, std::uint32_t value)
{
    Bytes image = MakeElfImage(SampleImage());
    Put32(image, Get32(image, kShoff) + kL1Index * 40 + field, value);
    return image;
}

struct Damage {
    std::string what;
    Bytes image;
};

std::vector<Damage> Damages()
{
    const Bytes good = MakeElfImage(SampleImage());
    std::vector<Damage> damages;
    for (std::size_t length : {std::size_t{0}, std::size_t{4}, std::size_t{51}, std::size_t{52},
                               std::size_t{200}, good.size() - 41, good.size() - 1})
        damages.push_back({"truncated to " + std::to_string(length), Bytes(good.begin(), good.begin() + length)});
    damages.push_back({"L1_code offset past the end", WithL1Field(16, static_cast<std::uint32_t>(good.size()) + 8)});
    damages.push_back({"L1_code ends past the end", WithL1Field(16, static_cast<std::uint32_t>(good.size()) - 8)});
    damages.push_back({"L1_code offset near 4 GiB", WithL1Field(16, 0xfffffff0u)});
    damages.push_back({"L1_code size near 4 GiB", WithL1Field(20, 0xfffffff0u)});
    damages.push_back({"L1_code name index out of range", WithL1Field(0, 0x10000)});
    Bytes badNames = good;
    badNames.at(kShstrndx) = 60;
    damages.push_back({"names section index out of range", badNames});
    Bytes badTable = good;
    Put32(badTable, kShoff, static_cast<std::uint32_t>(good.size()) - 20);
    damages.push_back({"section header table past the end", badTable});
    Bytes namesNotStrings = good;
    namesNotStrings.at(kShstrndx) = 1;  // msg_code, not a string table
    damages.push_back({"names section is not a string table", namesNotStrings});
    return damages;
}

void ExpectOneErrorLine(const ProgramResult& result)
{
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.err.rfind("ERROR: ", 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.out, "");
}

TEST(SectmendMalformedImages, PlainImagesFailCleanlyAndStayUnchanged)
{
    for (const auto& damage : Damages()) {
        SCOPED_TRACE(damage.what);
        TempDir dir;
        WriteFileBytes(dir / "bad.vnf", damage.image);
        WriteFileBytes(dir / "new.bin", PatternBytes(64, 1));
        ExpectOneErrorLine(RunSectmend({"-get", "L1_code", "-text", "bad.vnf"}, dir.path()));
        ExpectOneErrorLine(RunSectmend({"-replace", "L1_code", "-bits", "new.bin", "bad.vnf"}, dir.path()));
        ExpectOneErrorLine(
            RunSectmend({"-replace", "L1_code", "-o", "out.vnf", "-bits", "new.bin", "bad.vnf"}, dir.path()));
        EXPECT_EQ(ReadFileBytes(dir / "bad.vnf"), damage.image);
        EXPECT_FALSE(std::filesystem::exists(dir / "out.vnf"));
    }
}

TEST(SectmendMalformedImages, DamagedMembersAndArchivesFailCleanly)
{
    std::vector<Damage> damages;
    for (const auto& damage : Damages()) {
        if (damage.image.size() < 52) continue;  // too short to be taken for an ELF member
        damages.push_back({"member " + damage.what, MakeArchive({{"overlay1.elf", damage.image}})});
    }
    const Bytes archive = MakeArchive({{"overlay1.elf", MakeElfImage(SampleImage())}});
    damages.push_back({"archive cut inside the member", Bytes(archive.begin(), archive.end() - 100)});
    damages.push_back({"archive cut inside the member header", Bytes(archive.begin(), archive.begin() + 40)});
    damages.push_back({"text member", MakeArchive({{"notes.txt", Bytes(60, 'x')}, {"overlay1.elf", {}}})});
    damages.push_back({"64-bit member", MakeArchive({{"overlay1.elf", Make64BitElf()}})});
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.what);
        TempDir dir;
        WriteFileBytes(dir / "o1.ovl", damage.image);
        WriteFileBytes(dir / "new.bin", PatternBytes(64, 1));
        ExpectOneErrorLine(RunSectmend({"-get", "L1_code", "o1.ovl(overlay1.elf)"}, dir.path()));
        ExpectOneErrorLine(RunSectmend({"-replace", "L1_code", "-bits", "new.bin", "o1.ovl(overlay1.elf)"}, dir.path()));
        EXPECT_EQ(ReadFileBytes(dir / "o1.ovl"), damage.image);
    }
}

// The ELF header's escapes: a count or a name table index too large for
// it is kept in section 0 (sh_size, sh_link). A header table whose count
// cannot come from there is damage; an image without one has no sections.
TEST(SectmendMalformedImages, CountAndNameTableIndexKeptInSectionZero)
{
    const Bytes good = MakeElfImage(SampleImage());
    const std::uint32_t table = Get32(good, kShoff);
    const std::uint16_t count = static_cast<std::uint16_t>(good.at(kShnum) | good.at(kShnum + 1) << 8);
    const auto with = [&good](const std::vector<std::pair<std::size_t, std::uint32_t>>& fields16,
                              const std::vector<std::pair<std::size_t, std::uint32_t>>& fields32) {
        Bytes image = good;
        for (const auto& [at, value] : fields16) Put16(image, at, static_cast<std::uint16_t>(value));
        for (const auto& [at, value] : fields32) Put32(image, at, value);
        return image;
    };
    const std::string l1 = HexText(SpecSectionBytes(SampleImage(), "L1_code"));
    const std::string corrupted = "ERROR: 'x.vnf' is corruped\n";
    struct Case {
        std::string what;
        Bytes image;
        std::string out, err;
    };
    const std::vector<Case> cases = {
        {"name table index in section 0", with({{kShstrndx, 0xffff}}, {{table + 24, count - 1u}}), l1, ""},
        {"count in section 0", with({{kShnum, 0}}, {{table + 20, count}}), l1, ""},
        {"both in section 0", with({{kShnum, 0}, {kShstrndx, 0xffff}}, {{table + 20, count}, {table + 24, count - 1u}}),
         l1, ""},
        {"count left to a section 0 holding none", with({{kShnum, 0}}, {}), "", corrupted},
        {"count left to a section 0 past the end", with({{kShnum, 0}}, {{kShoff, std::uint32_t(good.size()) + 8}}), "",
         corrupted},
        {"no section header table", with({{kShnum, 0}, {kShstrndx, 0}}, {{kShoff, 0}}), "",
         "ERROR: L1_code section does not exist.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteFileBytes(dir / "x.vnf", c.image);
        const ProgramResult result = RunSectmend({"-get", "L1_code", "-text", "x.vnf"}, dir.path());
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.status, c.err.empty() ? 0 : 1);
        // The reference agrees on what the images hold.
        const ProgramResult readelf = RunProgram({"/usr/bin/readelf", "-S", "-W", (dir / "x.vnf").string()});
        EXPECT_EQ(readelf.out.find(" L1_code ") != std::string::npos, c.err.empty()) << readelf.out;
    }
}

// Members of other names are passed over whatever they hold: a text file, a
// 64-bit object, the symbol index ar makes for it. The named member must be
// a 32-bit ELF image.
TEST(SectmendMalformedImages, OtherMembersOfAnArchiveFromArArePassedOver)
{
    TempDir dir;
    WriteFileText(dir / "README", "Overlays for the second stage.\n");
    WriteFileText(dir / "wide.s", ".globl w\nw: .quad 1\n");
    ASSERT_EQ(RunProgram({"/usr/bin/as", "--64", "-o", (dir / "wide.o").string(), (dir / "wide.s").string()}).status, 0);
    WriteElfImage(dir / "overlay1.elf", SampleImage());
    ASSERT_EQ(RunProgram({"/usr/bin/ar", "rcs", "lib.a", "README", "wide.o", "overlay1.elf"}, {}, dir.path()).status, 0);
    const Bytes archive = ReadFileBytes(dir / "lib.a");

    ProgramResult result = RunSectmend({"-get", "L1_code", "-text", "lib.a(overlay1.elf)"}, dir.path());
    EXPECT_EQ(result.out, HexText(SpecSectionBytes(SampleImage(), "L1_code"))) << result.err;
    const Bytes fresh = PatternBytes(64, 31);
    WriteFileBytes(dir / "new.bin", fresh);
    result = RunSectmend({"-replace", "L1_code", "-o", "new.a", "-bits", "new.bin", "lib.a(overlay1.elf)"}, dir.path());
    EXPECT_EQ(result.status, 0) << result.err;
    result = RunProgram({"/usr/bin/ar", "p", "new.a", "overlay1.elf"}, {}, dir.path());
    const Bytes member = Patched(MakeElfImage(SampleImage()), SectionOffset(SampleImage(), "L1_code"), fresh);
    EXPECT_EQ(result.out, std::string(member.begin(), member.end()));
    result = RunProgram({"/usr/bin/ar", "p", "new.a", "README"}, {}, dir.path());
    EXPECT_EQ(result.out, "Overlays for the second stage.\n");

    for (const std::string named : {"README", "wide.o"}) {
        result = RunSectmend({"-replace", "L1_code", "-bits", "new.bin", "lib.a(" + named + ")"}, dir.path());
        EXPECT_EQ(result.err, "ERROR: 'lib.a' is corruped\n") << named;
        EXPECT_EQ(result.status, 1);
    }
    EXPECT_EQ(ReadFileBytes(dir / "lib.a"), archive);
}

TEST(SectmendMalformedImages, MemberOfMachineZeroIsPassedOver)
{
    TempDir dir;
    ImageSpec machineZero = SampleImage();
    machineZero.machine = 0;
    WriteArchive(dir / "o1.ovl", {{"overlay1.elf", MakeElfImage(machineZero)}});
    const ProgramResult result = RunSectmend({"-get", "L1_code", "o1.ovl(overlay1.elf)"}, dir.path());
    EXPECT_EQ(result.err, "ERROR: 'o1.ovl' contains no 'overlay1.elf' element\n");
    EXPECT_EQ(result.status, 1);
}

TEST(SectmendMalformedImages, ArchivesWithIndexAndLongNamesFromBinutils)
{
    TempDir dir;
    WriteFileText(dir / "a.s", ".section L1_code,\"ax\"\n.globl f\nf: .long 0x11223344, 0x55667788\n");
    const std::string member = "a_member_with_a_long_name.o";
    ASSERT_EQ(RunProgram({"/usr/bin/as", "--32", "-o", (dir / member).string(), (dir / "a.s").string()}).status, 0);
    ASSERT_EQ(RunProgram({"/usr/bin/ar", "rcs", (dir / "lib.a").string(), (dir / member).string()}).status, 0);
    WriteFileText(dir / "new.txt", "0102030405060708");
    ProgramResult result =
        RunSectmend({"-replace", "L1_code", "-o", "new.a", "-bits", "new.txt", "-text", "lib.a(" + member + ")"},
                    dir.path());
    EXPECT_EQ(result.status, 0) << result.err;
    result = RunProgram({"/usr/bin/objdump", "-s", "-j", "L1_code", (dir / "new.a").string()});
    EXPECT_NE(result.out.find(" 0000 01020304 05060708"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace vantrel::testing
