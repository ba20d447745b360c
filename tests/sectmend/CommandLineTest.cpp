// The command-line language as users meet it: arguments in, standard error,
// standard output and exit status out.
#include <gtest/gtest.h>

#include <filesystem>

#include "SectmendRun.h"

namespace vantrel::testing {
namespace {

const std::string kUsage =
    "Usage: \n"
    "       sectmend -get section-name [-o output-bits-filename] [-text] input-elf-filename\n"
    "       sectmend -replace section-name [-o output-filename] [-bits input-bits-filename] [-text] "
    "input-elf-filename\n"
    "       sectmend [-help | -version]\n"
    "Examples:\n"
    "       sectmend -get _ov_os_overlay_1 -o bytes_bin o1.ovl(overlay1.elf)\n"
    "       sectmend -get L1_code -o bytes_txt -text p0.vnf\n"
    "       sectmend -replace _ov_os_overlay_1 -o o1_new_from_txt.ovl -bits bytes_txt -text "
    "o1.ovl(overlay1.elf)\n"
    "       sectmend -replace L1_code -o p0_new.vnf -bits bytes_bin p0.vnf\n"
    "\n";
const std::string kBanner = " Halvord SectMend utility 1.0.0.3\n\n";

std::string Invalid(const std::string& text)
{
    return "invalid token near line 1 (text was '" + text + "')\n";
}
const std::string kMissingInput = "SYNTAX ERROR: Missing input file name\n";
const std::string kAfterInput = "SYNTAX ERROR: Nothing may follow the input file name with -replace\n";

std::string L1Raw()
{
    const Bytes bytes = SpecSectionBytes(SampleImage(), "L1_code");
    return std::string(bytes.begin(), bytes.end());
}
std::string L1Text()
{
    return HexText(SpecSectionBytes(SampleImage(), "L1_code"));
}

struct CommandLineCase {
    std::vector<std::string> args;
    std::string err;
    std::string out;
    int status;
};

std::vector<CommandLineCase> Cases()
{
    return {
        {{}, kUsage, "", 0},
        {{"-help"}, kUsage, "", 0},
        {{"-help", "-help"}, kUsage + kUsage, "", 0},
        {{"-help", "p0.vnf"}, kUsage + kUsage, "", 1},
        {{"-version"}, kBanner, "", 0},
        {{"-help", "-version"}, kUsage + kBanner, "", 0},
        {{"-version", "-get", "L1_code", "p0.vnf"}, kUsage, "", 1},
        {{""}, "", "", 0},
        {{"-get"}, Invalid("-get"), "", 1},
        {{"-get", "L1_code"}, kMissingInput, "", 1},
        {{"-replace", "L1_code"}, kMissingInput, "", 1},
        {{"-get", "L1_code", "-bits", "b.bin", "p0.vnf"},
         "SYNTAX ERROR: input-bits file name cannot be used with -get option\n", "", 1},
        {{"-get", "L1_code", "-text", "-o", "out", "p0.vnf"}, kMissingInput, "", 1},
        {{"-get", "L1_code", "p0.vnf", "-text"}, "", L1Raw(), 0},
        {{"-get", "L1_code", "-text", "p0.vnf"}, "", L1Text(), 0},
        // Names take '-' after the first character, and '$', unless the rest
        // reads as tokens of its own as it always did.
        {{"-get", "my-section", "p0.vnf"}, "ERROR: my-section section does not exist.\n", "", 1},
        {{"-get", "L1$", "p0.vnf"}, "ERROR: L1$ section does not exist.\n", "", 1},
        {{"-get", "L1_code-text", "p0.vnf"}, "", L1Text(), 0},
        {{"-get", "L1_code$x", "p0.vnf"}, "ERROR: '$x' could not be opened\n", "", 1},
        {{"-get", "-x", "p0.vnf"}, Invalid("-get -x") + Invalid("x") + kUsage, "", 1},
        {{"-get", "L1_code", "x"}, Invalid("x") + kMissingInput, "", 1},
        {{"-o", "out", "-get", "L1_code", "p0.vnf"}, kUsage, "", 1},
        {{"-GET", "x", "p0.vnf"}, Invalid("-GET") + Invalid("x") + kUsage, "", 1},
        {{"-text-help"}, kUsage, "", 1},
        {{"-get", "L1_code", "-oout", "p0.vnf"}, Invalid("-oout"), "", 1},
        {{"-get", "L1_code", "-o", "", "p0.vnf"}, Invalid("-o"), "", 1},
        {{"--get", "L1_code", "p0.vnf"}, Invalid("--get") + kUsage, "", 1},
        {{"-get", "L1_code", "(overlay1.elf)"}, kMissingInput, "", 1},
        {{"-get", "L1_code", "-text", "o1.ovl(overlay1.elf)"}, "", L1Text(), 0},
        {{"-get", "L1_code", "-text", "o1.ovl", "(overlay1.elf)"}, "", L1Text(), 0},
        {{"-get", "nosuch", "p0.vnf"}, "ERROR: nosuch section does not exist.\n", "", 1},
        {{"-get", "l1_code", "p0.vnf"}, "ERROR: l1_code section does not exist.\n", "", 1},
        {{"-get", "L1_code", "missing.vnf"}, "ERROR: 'missing.vnf' could not be opened\n", "", 1},
        // Four tokens of lookahead: the sixth token is still scanned, the
        // seventh is not.
        {{"-get", "L1_code", "p0.vnf", "-text", "-text", "-text", "x"}, Invalid("x"), "", 1},
        {{"-get", "L1_code", "p0.vnf", "-text", "-text", "-text", "-text", "x"}, "", L1Raw(), 0},
        // -get ignores what follows the input file; -replace refuses it.
        {{"-replace", "L1_code", "p0.vnf", "-text"}, kAfterInput, "", 1},
        {{"-replace", "L1_code", "o1.ovl(overlay1.elf)", "-o", "out.vnf"}, kAfterInput, "", 1},
        {{"-replace", "L1_code", "-bits", "b.txt", "o1.ovl", "(overlay1.elf)", "p0.vnf"}, kAfterInput, "", 1},
        // After a missing input file every remaining argument is scanned.
        {{"-get", "L1_code", "-o", "a", "-o", "b", "-text", "-text", "-text", "x"}, kMissingInput + Invalid("x"), "",
         1},
    };
}

std::string Describe(const std::vector<std::string>& args)
{
    std::string text = "sectmend";
    for (const auto& arg : args) text += " '" + arg + "'";
    return text;
}

TEST(SectmendCommandLine, TableOfArgumentsToMessagesOutputAndStatus)
{
    SampleFolder folder;
    for (const auto& c : Cases()) {
        const ProgramResult result = folder.run(c.args);
        EXPECT_EQ(result.err, c.err) << Describe(c.args);
        EXPECT_EQ(result.out, c.out) << Describe(c.args);
        EXPECT_EQ(result.status, c.status) << Describe(c.args);
    }
}

TEST(SectmendCommandLine, RejectedCommandLinesCreateAndChangeNoFiles)
{
    SampleFolder folder;
    const auto before = FileNamesIn(folder.path());
    const Bytes image = ReadFileBytes(folder / "p0.vnf");
    folder.run({"-get", "L1_code", "-text", "-o", "out", "p0.vnf"});
    folder.run({"-get", "L1_code", "-o", "out", "-bits", "b.bin", "p0.vnf"});
    folder.run({"-replace", "L1_code", "-o", "out", "-bits", "b.bin", "p0.vnf", "-text", "-text", "-text", "x"});
    // Not a replace of p0.vnf from standard input.
    folder.run({"-replace", "L1_code", "p0.vnf", "-o", "out", "-bits", "b.bin"}, "fresh bytes on standard input");
    EXPECT_EQ(FileNamesIn(folder.path()), before);
    EXPECT_EQ(ReadFileBytes(folder / "p0.vnf"), image);
}

TEST(SectmendCommandLine, OutputNamesAreTakenWhole)
{
    SampleFolder folder;
    for (const std::string name : {"C:\\dir name\\out.bin", "-dash(1).bin"}) {
        const ProgramResult result = folder.run({"-get", "L1_code", "-o", name, "p0.vnf"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(ReadFileBytes(folder / name), SpecSectionBytes(SampleImage(), "L1_code")) << name;
    }
}

TEST(SectmendCommandLine, InputNamesMayHoldDashesSpacesAndColons)
{
    SampleFolder folder;
    std::filesystem::copy_file(folder / "p0.vnf", folder / "my image-1: a.vnf");
    const ProgramResult result = folder.run({"-get", "L1_code", "-text", "my image-1: a.vnf"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, L1Text());
}

}  // namespace
}  // namespace vantrel::testing
