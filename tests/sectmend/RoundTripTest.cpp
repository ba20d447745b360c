// Get and replace together: bytes taken out come back in, raw and as text,
// from a plain image and from an archive member, into a copy and in place.
// Every byte outside the replaced section stays as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "SectmendRun.h"

namespace vantrel::testing {
namespace {

struct Target {
    std::string argument;  // what names the image on the command line
    std::string file;      // the file that holds it
    std::size_t imageOffset;
    ImageSpec spec;
};

Target PlainImage()
{
    return {"p0.vnf", "p0.vnf", 0, SampleImage()};
}

Target OverlayMember()
{
    return {"o1.ovl(overlay1.elf)", "o1.ovl", MemberOffset(OverlayMembers(), kOverlayIndex), SampleImage()};
}

struct RoundTrip {
    Target target;
    bool text;
    bool inPlace;
};

std::string Describe(const RoundTrip& trip)
{
    return trip.target.argument + (trip.text ? " text" : " raw") + (trip.inPlace ? " in place" : " copy");
}

void CheckRoundTrip(const RoundTrip& trip)
{
    SCOPED_TRACE(Describe(trip));
    SampleFolder folder;
    const Bytes original = ReadFileBytes(folder / trip.target.file);
    const std::vector<std::string> form = trip.text ? std::vector<std::string>{"-text"} : std::vector<std::string>{};

    // Get the section out to a file.
    std::vector<std::string> get = {"-get", "L1_code", "-o", "got"};
    get.insert(get.end(), form.begin(), form.end());
    get.push_back(trip.target.argument);
    ProgramResult result = folder.run(get);
    ASSERT_EQ(result.status, 0) << result.err;
    const Bytes l1 = SpecSectionBytes(trip.target.spec, "L1_code");
    const Bytes got = ReadFileBytes(folder / "got");
    const std::string l1Text = HexText(l1);
    EXPECT_EQ(got, trip.text ? Bytes(l1Text.begin(), l1Text.end()) : l1);

    // Put new bytes in, in the same form.
    const Bytes fresh = PatternBytes(l1.size(), 99);
    const std::string freshText = HexText(fresh);
    WriteFileBytes(folder / "new", trip.text ? Bytes(freshText.begin(), freshText.end()) : fresh);
    std::vector<std::string> replace = {"-replace", "L1_code"};
    if (!trip.inPlace) replace.insert(replace.end(), {"-o", "out"});
    replace.insert(replace.end(), {"-bits", "new"});
    replace.insert(replace.end(), form.begin(), form.end());
    replace.push_back(trip.target.argument);
    result = folder.run(replace);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "");

    const std::size_t at = trip.target.imageOffset + SectionOffset(trip.target.spec, "L1_code");
    const Bytes expected = Patched(original, at, fresh);
    if (trip.inPlace) {
        EXPECT_EQ(ReadFileBytes(folder / trip.target.file), expected);
        EXPECT_FALSE(std::filesystem::exists(folder / "out"));
    } else {
        EXPECT_EQ(ReadFileBytes(folder / "out"), expected);
        EXPECT_EQ(ReadFileBytes(folder / trip.target.file), original);
    }

    // And out again: the new bytes.
    const std::string written = trip.inPlace ? trip.target.file : "out";
    const std::string member = trip.target.argument.substr(trip.target.file.size());
    result = folder.run({"-get", "L1_code", "-text", written + member});
    EXPECT_EQ(result.out, freshText);
}

TEST(SectmendRoundTrip, RawAndTextPlainAndMemberCopyAndInPlace)
{
    for (const Target& target : {PlainImage(), OverlayMember()})
        for (bool text : {false, true})
            for (bool inPlace : {false, true}) CheckRoundTrip({target, text, inPlace});
}

TEST(SectmendRoundTrip, OutputNamingTheInputReplacesInPlace)
{
    for (const std::string output : {"p0.vnf", "./p0.vnf"}) {
        SampleFolder folder;
        const Bytes original = ReadFileBytes(folder / "p0.vnf");
        const Bytes fresh = PatternBytes(64, 77);
        WriteFileBytes(folder / "new.bin", fresh);
        const ProgramResult result = folder.run({"-replace", "L1_code", "-o", output, "-bits", "new.bin", "p0.vnf"});
        EXPECT_EQ(result.status, 0) << output << ": " << result.err;
        EXPECT_EQ(ReadFileBytes(folder / "p0.vnf"), Patched(original, SectionOffset(SampleImage(), "L1_code"), fresh))
            << output;
    }
}

TEST(SectmendRoundTrip, ReplaceReadsStandardInputWithoutBits)
{
    SampleFolder folder;
    const Bytes original = ReadFileBytes(folder / "p0.vnf");
    const Bytes fresh = PatternBytes(48, 11);
    ProgramResult result = folder.run({"-replace", "digital_signature", "-text", "p0.vnf"}, HexText(fresh));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");  // exactly 96 characters: no surplus warning
    EXPECT_EQ(ReadFileBytes(folder / "p0.vnf"),
              Patched(original, SectionOffset(SampleImage(), "digital_signature"), fresh));

    const Bytes raw = PatternBytes(40, 12);
    result = folder.run({"-replace", "msg_data", "-o", "out.vnf", "p0.vnf"}, std::string(raw.begin(), raw.end()));
    EXPECT_EQ(result.status, 0) << result.err;
    const Bytes signed_ = Patched(original, SectionOffset(SampleImage(), "digital_signature"), fresh);
    EXPECT_EQ(ReadFileBytes(folder / "out.vnf"), Patched(signed_, SectionOffset(SampleImage(), "msg_data"), raw));
}

TEST(SectmendRoundTrip, FirstOfTwoSameNamedSectionsIsUsed)
{
    SampleFolder folder;
    const ImageSpec spec = SampleImage();
    const ProgramResult result = folder.run({"-get", "dup", "-text", "p0.vnf"});
    EXPECT_EQ(result.out, HexText(spec.sections[7].bytes));
    EXPECT_NE(spec.sections[7].bytes, spec.sections[8].bytes);
}

TEST(SectmendRoundTrip, GetOfAnEmptySectionWritesNoBytes)
{
    SampleFolder folder;
    ProgramResult result = folder.run({"-get", "empty", "-text", "p0.vnf"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    result = folder.run({"-get", "empty", "-o", "empty.bin", "p0.vnf"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadFileBytes(folder / "empty.bin"), Bytes{});
}

// Typed sections (addresses, notes) of a big-endian image: what get writes
// and replace takes are the bytes in the file, as objcopy dumps them, never
// words turned into the host's byte order.
TEST(SectmendRoundTrip, TypedSectionsOfABigEndianImageAreTheFileBytes)
{
#ifndef VANTREL_ARM_AS
    GTEST_SKIP() << "arm-none-eabi-as was not found when the build was configured";
#else
    TempDir dir;
    WriteFileText(dir / "be.s", ".section .init_array,\"aw\",%init_array\n.word 0x11223344, 0x55667788\n"
                                ".section .note.vendor,\"a\",%note\n.word 4, 4, 1\n.ascii \"Vnt\\0\"\n"
                                ".word 0xa1b2c3d4\n");
    const ProgramResult as = RunProgram({VANTREL_ARM_AS, "-mbig-endian", "-o", (dir / "be.o").string(),
                                         (dir / "be.s").string()});
    ASSERT_EQ(as.status, 0) << as.err;
    for (const std::string section : {".init_array", ".note.vendor"}) {
        SCOPED_TRACE(section);
        const std::string dumped = (dir / "dumped.bin").string();
        ASSERT_EQ(RunProgram({"/usr/bin/objcopy", "-I", "elf32-big", "-O", "binary", "--only-section=" + section,
                              (dir / "be.o").string(), dumped}).status, 0);
        const Bytes fileBytes = ReadFileBytes(dumped);
        ASSERT_FALSE(fileBytes.empty());
        ProgramResult result = RunSectmend({"-get", section, "-text", "be.o"}, dir.path());
        EXPECT_EQ(result.out, HexText(fileBytes)) << result.err;

        const Bytes fresh = PatternBytes(fileBytes.size(), 21);
        WriteFileBytes(dir / "new.bin", fresh);
        result = RunSectmend({"-replace", section, "-o", "new.o", "-bits", "new.bin", "be.o"}, dir.path());
        ASSERT_EQ(result.status, 0) << result.err;
        ASSERT_EQ(RunProgram({"/usr/bin/objcopy", "-I", "elf32-big", "-O", "binary", "--only-section=" + section,
                              (dir / "new.o").string(), dumped}).status, 0);
        EXPECT_EQ(ReadFileBytes(dumped), fresh);
    }
#endif
}

// A new output gets the permissions of any file the user creates (a replaced
// one keeps its own, and links are refused: see the file rules both programs
// share, tests/filesafety/FileRulesTest.cpp).
TEST(SectmendRoundTrip, NewOutputsGetTheUsersPermissions)
{
    SampleFolder folder;
    WriteFileBytes(folder / "new.bin", PatternBytes(64, 4));
    const mode_t mask = umask(022);
    umask(mask);
    const ProgramResult result = folder.run({"-replace", "L1_code", "-o", "fresh.vnf", "-bits", "new.bin", "p0.vnf"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(static_cast<mode_t>(std::filesystem::status(folder / "fresh.vnf").permissions()), 0666 & ~mask);
}

}  // namespace
}  // namespace vantrel::testing
