#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "ElfMaker.h"
#include "ReadelfSections.h"
#include "TestSupport.h"
#include "core/LittleEndian.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

ProgramResult RunScnlist(const fs::path& image)
{
    return RunProgram({(ToolsDir() / "scnlist").string(), "-sh", image.string()});
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Cut at every run of '/', ' ' and ':', the way Load reads a listing line.
std::vector<std::string> Tokens(const std::string& line)
{
    std::vector<std::string> tokens;
    std::string token;
    for (char c : line) {
        if (c == '/' || c == ' ' || c == ':') {
            if (!token.empty())
                tokens.push_back(token);
            token.clear();
        } else {
            token += c;
        }
    }
    if (!token.empty())
        tokens.push_back(token);
    return tokens;
}

std::vector<std::vector<std::string>> SectionLines(const fs::path& image)
{
    const ProgramResult result = RunScnlist(image);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> lines = Lines(result.out);
    EXPECT_GE(lines.size(), 7u);
    std::vector<std::vector<std::string>> sections;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_FALSE(lines[i].empty()) << "line " << i;
        if (i >= 7)
            sections.push_back(Tokens(lines[i]));
    }
    return sections;
}

unsigned long Number(const std::string& text, int base)
{
    return std::stoul(text, nullptr, base);
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

void ExpectSameAsReadelf(const fs::path& image)
{
    const auto listed = SectionLines(image);
    const auto reference = ReadelfSectionHeaders(image);
    ASSERT_FALSE(reference.empty());
    ASSERT_EQ(listed.size(), reference.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        SCOPED_TRACE(reference[i].name);
        const auto& tokens = listed[i];
        ASSERT_EQ(tokens.size(), 12u);
        EXPECT_EQ(Number(tokens[0], 10), reference[i].index);
        EXPECT_EQ(tokens[1], Lower(reference[i].type));
        EXPECT_EQ(tokens[6], reference[i].flags.empty() ? "-" : reference[i].flags);
        EXPECT_EQ(Number(tokens[3], 16), Number(reference[i].address, 16));
        EXPECT_EQ(Number(tokens[4], 16), Number(reference[i].offset, 16));
        EXPECT_EQ(Number(tokens[5], 16), Number(reference[i].size, 16));
        EXPECT_EQ(tokens[11], "'" + reference[i].name + "'");
        for (int column : {2, 3, 4, 5}) {
            EXPECT_EQ(tokens[column].size(), 10u);
            EXPECT_EQ(tokens[column].rfind("0x", 0), 0u);
            EXPECT_EQ(tokens[column], Lower(tokens[column]));
        }
    }
}

class ScnlistTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(ScnlistTest, SampleImageMatchesReadelf)
{
    WriteElfImage(dir / "sample.vnf", SampleImage());
    ExpectSameAsReadelf(dir / "sample.vnf");
}

TEST_F(ScnlistTest, EveryFlagLetterAndSectionTypeMatchesReadelf)
{
    ImageSpec spec;
    spec.sections = {
        {"write", {1}, 1, 0x1, 0x100},      {"alloc_exec", {2}, 1, 0x6, 0x200},
        {"merge_strings", {'a', 0}, 1, 0x32, 0}, {"info", {3}, 9, 0x40, 0},
        {"link_order", {4}, 1, 0x82, 0},    {"os_group_tls", {5}, 1, 0x703, 0},
        {"symbols", Bytes(16, 0), 2, 0, 0}, {"strings", {0}, 3, 0, 0},
        {"relocations", Bytes(8, 0), 9, 0, 0}, {"notes", Bytes(12, 0), 7, 0, 0},
        {"init", Bytes(4, 0), 14, 3, 0},    {"fini", Bytes(4, 0), 15, 3, 0},
        {"preinit", Bytes(4, 0), 16, 3, 0}, {"bss", {}, 8, 3, 0x8000, 4096},
        {"no_flags", {9}, 1, 0, 0},          {"high_address", {7}, 1, 2, 0xfffffff0},
        {"retain", {6}, 1, 0x200002, 0},     {"retain_and_other_os", {6}, 1, 0x600000, 0},
    };
    WriteElfImage(dir / "variety.vnf", spec);
    ExpectSameAsReadelf(dir / "variety.vnf");
    // A GNU image: readelf names SHF_GNU_RETAIN 'R' there.
    Bytes gnu = ReadFileBytes(dir / "variety.vnf");
    gnu[7] = 3;  // EI_OSABI = ELFOSABI_GNU
    WriteFileBytes(dir / "gnu.vnf", gnu);
    ExpectSameAsReadelf(dir / "gnu.vnf");
    EXPECT_EQ(SectionLines(dir / "gnu.vnf")[17][6], "AR");
}

TEST_F(ScnlistTest, ManySectionsMatchReadelf)
{
    ImageSpec spec;
    for (int i = 0; i < 300; ++i)
        spec.sections.push_back({"ShareFunctionSection" + std::to_string(i), PatternBytes(40, static_cast<std::uint8_t>(i)),
                                 1, 6, 0x10000u + 0x100u * static_cast<unsigned>(i)});
    WriteElfImage(dir / "many.vnf", spec);
    ExpectSameAsReadelf(dir / "many.vnf");
}

TEST_F(ScnlistTest, AssembledObjectMatchesReadelf)
{
    // A relocatable object from the assembler: relocations, symbols,
    // strings, a section group and a mergeable string section.
    WriteFileText(dir / "code.s",
                  ".text\ncall f\n.data\n.long g\n.section .rodata.str1.1,\"aMS\",@progbits,1\n.string \"x\"\n"
                  ".section .text.grouped,\"axG\",@progbits,grp,comdat\nret\n.bss\n.zero 64\n");
    const ProgramResult as = RunProgram({"/usr/bin/as", "--32", "-o", (dir / "code.o").string(),
                                         (dir / "code.s").string()});
    ASSERT_EQ(as.status, 0) << as.err;
    ExpectSameAsReadelf(dir / "code.o");
}

TEST_F(ScnlistTest, ValuesAreThoseOfTheSectionHeaders)
{
    ImageSpec spec;
    spec.sections = {{"L1_Code_Hash", PatternBytes(20, 1), 1, 0x6, 0x08001000}};
    WriteElfImage(dir / "one.vnf", spec);
    const auto listed = SectionLines(dir / "one.vnf");
    ASSERT_EQ(listed.size(), 3u);  // null, the section, .shstrtab
    char offset[16];
    std::snprintf(offset, sizeof offset, "0x%08x", static_cast<unsigned>(SectionOffset(spec, "L1_Code_Hash")));
    const std::vector<std::string> expected{"1",  "progbits", "0x00000006", "0x08001000", offset, "0x00000014",
                                            "AX", "0",        "0",          "1",          "0",    "'L1_Code_Hash'"};
    EXPECT_EQ(listed[1], expected);
    EXPECT_EQ(listed[0][1], "null");
    EXPECT_EQ(listed[0][6], "-");
}

TEST_F(ScnlistTest, PathWithBlanksQuotesAndLineEndKeepsSevenHeadingLines)
{
    const fs::path image = dir / "my image 'v1' \"final\"\nsecond line.vnf";
    WriteElfImage(image, SampleImage());
    const ProgramResult result = RunScnlist(image);
    ASSERT_EQ(result.status, 0) << result.err;
    const auto lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 7u + SampleImage().sections.size() + 2u);
    EXPECT_EQ(lines[7].rfind("0 null ", 0), 0u);
    EXPECT_NE(lines[0].find("\\x0a"), std::string::npos);
}

TEST_F(ScnlistTest, NameWithSeparatorsStaysOneToken)
{
    ImageSpec spec;
    spec.sections = {{"it's a/b:c", {1}, 1, 2, 0}, {"tab\there", {2}, 1, 2, 0}};
    WriteElfImage(dir / "names.vnf", spec);
    const auto listed = SectionLines(dir / "names.vnf");
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[1].size(), 12u);
    EXPECT_EQ(listed[1][11], "'it\\x27s\\x20a\\x2fb\\x3ac'");
    EXPECT_EQ(listed[2][11], "'tab\\x09here'");
}

// The ELF header keeps a count or a name table index too large for it in
// section 0 (sh_size, sh_link); the listing follows the escape.
TEST_F(ScnlistTest, CountAndNameTableIndexKeptInSectionZeroMatchReadelf)
{
    Bytes image = MakeElfImage(SampleImage());
    const std::uint32_t table = LoadLittleEndian32(&image.at(32));
    StoreLittleEndian32(&image.at(table + 20), image.at(48) | image.at(49) << 8);
    StoreLittleEndian32(&image.at(table + 24), image.at(50) | image.at(51) << 8);
    image.at(48) = image.at(49) = 0;     // e_shnum: see section 0
    image.at(50) = image.at(51) = 0xff;  // e_shstrndx: SHN_XINDEX
    WriteFileBytes(dir / "escaped.vnf", image);
    ExpectSameAsReadelf(dir / "escaped.vnf");
}

TEST_F(ScnlistTest, ImageWithoutSectionHeaderTableListsNoSections)
{
    Bytes image = MakeElfImage(SampleImage());
    StoreLittleEndian32(&image.at(32), 0);  // e_shoff
    image.at(48) = image.at(49) = image.at(50) = image.at(51) = 0;
    WriteFileBytes(dir / "bare.vnf", image);
    const ProgramResult result = RunScnlist(dir / "bare.vnf");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Lines(result.out).size(), 7u);
    EXPECT_NE(result.out.find("\nSection headers: 0\n"), std::string::npos) << result.out;
    EXPECT_TRUE(ReadelfSectionHeaders(dir / "bare.vnf").empty());
}

}  // namespace
}  // namespace vantrel::testing
