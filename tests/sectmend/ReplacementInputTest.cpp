// How replacement input becomes section bytes: the text form read pair by
// pair as "%02x" reads it, the raw form byte for byte, short input padded
// with zeros, surplus input ignored with a warning.
#include <gtest/gtest.h>

#include "SectmendRun.h"

namespace vantrel::testing {
namespace {

const std::string kSurplus = "WARNING: The input is larger than the section size. Extra input is ignored.\n";
const std::string kIllFormatted = "ERROR: Ill-formatted input.\n";

ImageSpec SizedImage()
{
    ImageSpec spec;
    spec.sections = {{"two", Bytes{0xee, 0xee}}, {"four", Bytes(4, 0xee)}, {"eight", Bytes(8, 0xee)}};
    return spec;
}

struct InputCase {
    std::string section;
    bool text;
    std::string input;
    Bytes expected;  // the section afterwards; empty: unchanged
    std::string err;
    int status;
};

std::vector<InputCase> Cases()
{
    using std::string;
    return {
        {"four", true, "0102", {1, 2, 0, 0}, "", 0},
        {"four", true, "01020304\n", {1, 2, 3, 4}, kSurplus, 0},
        {"four", true, "A5a5", {0xa5, 0xa5, 0, 0}, "", 0},
        {"two", true, "abc", {0xab, 0x0c}, "", 0},
        {"four", true, "5g66", {0x05, 0x66, 0, 0}, "", 0},
        {"four", true, "5\n66", {0x05, 0x66, 0, 0}, "", 0},
        {"two", true, " 5\n5", {0x05, 0x05}, "", 0},
        {"four", true, "\r\n01", {0, 0x01, 0, 0}, "", 0},
        {"four", true, "01 ", {0x01, 0, 0, 0}, "", 0},
        {"four", true, "", {0, 0, 0, 0}, "", 0},
        {"four", true, "zz", {}, kIllFormatted, 1},
        {"four", true, "01g5", {}, kIllFormatted, 1},
        {"four", true, string("0\0", 2), {}, kIllFormatted, 1},
        {"eight", false, "0123456789", {'0', '1', '2', '3', '4', '5', '6', '7'}, kSurplus, 0},
        {"eight", false, "", Bytes(8, 0), "", 0},
        {"eight", false, string("\1\2\0", 3), {1, 2, 0, 0, 0, 0, 0, 0}, "", 0},
    };
}

TEST(SectmendReplacementInput, TextAndRawFormsFromFileAndStandardInput)
{
    const ImageSpec spec = SizedImage();
    for (const auto& c : Cases()) {
        for (bool fromFile : {true, false}) {
            SCOPED_TRACE(c.section + (c.text ? " text '" : " raw '") + c.input + (fromFile ? "' file" : "' stdin"));
            TempDir dir;
            WriteElfImage(dir / "p.elf", spec);
            const Bytes original = ReadFileBytes(dir / "p.elf");
            std::vector<std::string> args = {"-replace", c.section};
            if (fromFile) {
                WriteFileText(dir / "in", c.input);
                args.insert(args.end(), {"-bits", "in"});
            }
            if (c.text) args.push_back("-text");
            args.push_back("p.elf");
            const ProgramResult result = RunSectmend(args, dir.path(), fromFile ? std::string() : c.input);
            EXPECT_EQ(result.err, c.err);
            EXPECT_EQ(result.status, c.status);
            const Bytes expected =
                c.expected.empty() ? original : Patched(original, SectionOffset(spec, c.section), c.expected);
            EXPECT_EQ(ReadFileBytes(dir / "p.elf"), expected);
        }
    }
}

TEST(SectmendReplacementInput, GetWritesLowercaseHexWithoutLineEnd)
{
    TempDir dir;
    ImageSpec spec;
    spec.sections = {{"four", Bytes{0x01, 0xAB, 0x00, 0xFF}}};
    WriteElfImage(dir / "p.elf", spec);
    const ProgramResult result = RunSectmend({"-get", "four", "-text", "p.elf"}, dir.path());
    EXPECT_EQ(result.out, "01ab00ff");
    EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace vantrel::testing
