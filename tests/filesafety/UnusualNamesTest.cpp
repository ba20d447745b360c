// Paths and names that sectmend's command line cannot carry as they are,
// and images named like the files the tools once used: every operation
// still works on the right file, or refuses by name before anything runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

const std::string Key = "2b7e151628aed2a6abf7158809cf4f3c";

// sections, sign, protect and verify on one image, as the user names it.
void RunWorkflow(const fs::path& folder, const std::vector<std::string>& image, const std::string& output)
{
    auto with = [&image](std::vector<std::string> words) {
        words.insert(words.end(), image.begin(), image.end());
        return words;
    };
    ProgramResult result = Utility(with({"sections", "--entry", "single"}), folder);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("L1_Code_Encrypt"), std::string::npos) << result.out;
    result = Utility(with({"sign", "--key-pair", "pelora"}), folder);
    EXPECT_EQ(result.status, 0) << result.err;
    result = Utility(with({"protect", "-o", output, "--key-file", "-", "--entry", "single", "--aes",
                          "L1_Code_Encrypt", "--hash", "L2_Hash"}),
                     folder, Key);
    EXPECT_EQ(result.status, 0) << result.err;
    result = Utility({"verify", output, "--key-file", "-"}, folder, Key);
    EXPECT_EQ(result.status, 0) << result.out << result.err;
}

TEST(UnusualNames, FolderWithBlanksParenthesesAndADash)
{
    TempDir dir;
    const fs::path folder = dir / "fw (v2) -x";
    fs::create_directory(folder);
    WriteElfImage(folder / "image.vnf", ProtectableImage());
    RunWorkflow(dir.path(), {(folder / "image.vnf").string()}, (folder / "out (1).vnf").string());
}

TEST(UnusualNames, ImageWhoseNameStartsWithADash)
{
    TempDir dir;
    WriteElfImage(dir / "-image.vnf", ProtectableImage());
    RunWorkflow(dir.path(), {"--", "-image.vnf"}, "protected.vnf");
}

// Images and outputs named like the temporary and key files of old.
class FormerTemporaryName : public ::testing::TestWithParam<std::string> {};

TEST_P(FormerTemporaryName, IsAnOrdinaryImageAndOutput)
{
    TempDir dir;
    WriteElfImage(dir / GetParam(), ProtectableImage());
    const ProgramResult signedImage = Utility({"sign", GetParam(), "--key-pair", "pelora"}, dir.path());
    ASSERT_EQ(signedImage.status, 0) << signedImage.err;
    fs::rename(dir / GetParam(), dir / "input.vnf");
    const ProgramResult result = Utility({"protect", "input.vnf", "-o", GetParam(), "--key-file", "-", "--entry",
                                          "single", "--aes", "L2_Encrypt"},
                                         dir.path(), Key);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Utility({"verify", GetParam(), "--key-file", "-"}, dir.path(), Key).status, 0);
}

INSTANTIATE_TEST_SUITE_P(Names, FormerTemporaryName,
                         ::testing::Values("tmp.vnf", "tmp.bin", "signature.bin", "signature.bf", "tmp.bf"));

TEST(UnusualNames, AnImageThatIsAKeyFileIsNotSigned)
{
    TempDir dir;
    WriteElfImage(dir / "seed.vnf", ProtectableImage());
    ASSERT_EQ(Utility({"sign", "seed.vnf", "--key-pair", "pelora"}, dir.path()).status, 0);
    for (const char* name : {"public.ecs", "private.ecs", "signature.ecs"}) {
        const Bytes keyFile = ReadFileBytes(dir / name);
        const ProgramResult result = Utility({"sign", name, "--key-pair", "default"}, dir.path());
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_EQ(result.err.rfind("ERROR: The image " + (dir / name).string() + " is the ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find("; writing it would destroy it"), std::string::npos) << result.err;
        EXPECT_EQ(ReadFileBytes(dir / name), keyFile) << name;
    }
}

TEST(UnusualNames, SectionNamesThatSectmendCannotCarryAreRefusedByName)
{
    for (const std::string name : {"my text", "my-text", "code$a.o"}) {
        TempDir dir;
        ImageSpec spec = ProtectableImage();
        spec.sections.push_back({name, PatternBytes(16, 10), 1, 6, 0x08000600});
        WriteElfImage(dir / "image.vnf", spec);
        const ProgramResult result = Utility({"sections", "image.vnf", "--purpose", "practical"}, dir.path());
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_NE(result.err.find("Section '" + name + "' cannot be handed to sectmend"), std::string::npos)
            << result.err;
    }
}

// Names with bytes above ASCII, '-' and '$' are listed, read back and
// protected like any other.
TEST(UnusualNames, SectionNamesBeyondLettersAndDigitsAreReadBackAndProtected)
{
    for (const std::string name : {"caf\xc3\xa9", ".note.gnu.build-id", "my-section-2", "sec$", "$a"}) {
        TempDir dir;
        ImageSpec spec = ProtectableImage();
        spec.sections.push_back({name, PatternBytes(16, 11), 1, 6, 0x08000600});
        WriteElfImage(dir / "image.vnf", spec);
        const ProgramResult listed = Utility({"sections", "image.vnf", "--purpose", "practical"}, dir.path());
        ASSERT_EQ(listed.status, 0) << listed.err;
        EXPECT_NE(listed.out.find(name), std::string::npos) << listed.out;
        const ProgramResult result = Utility({"protect", "image.vnf", "-o", "out.vnf", "--key-file", "-",
                                              "--purpose", "practical", "--aes", name},
                                             dir.path(), Key);
        EXPECT_EQ(result.status, 0) << name << ": " << result.err;
        EXPECT_NE(SectionBytes(dir / "out.vnf", name), PatternBytes(16, 11)) << name;
    }
}

}  // namespace
}  // namespace vantrel::testing
