// Option values and keys are checked before anything is touched: a bad one
// gives one message saying what is accepted, status 2, and no file changes.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

struct BadOptionCase {
    std::vector<std::string> arguments;  // "IMAGE" and "OUT" stand for the paths
    std::string message;
    std::string input = {};  // standard input: a key for --key-file -
};

std::vector<std::string> Substitute(std::vector<std::string> arguments, const fs::path& image, const fs::path& out)
{
    for (auto& argument : arguments) {
        if (argument == "IMAGE")
            argument = image.string();
        else if (argument == "OUT")
            argument = out.string();
    }
    return arguments;
}

void PrintTo(const BadOptionCase& c, std::ostream* os)
{
    for (const auto& argument : c.arguments)
        *os << argument.substr(0, 40) << " ";
}

class BadOptionTest : public ::testing::TestWithParam<BadOptionCase> {};

TEST_P(BadOptionTest, RefusedBeforeAnythingIsTouched)
{
    TempDir work;
    const auto image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    const Bytes before = ReadFileBytes(image);

    const auto run = Utility(Substitute(GetParam().arguments, image, work / "out.vnf"), work.path(), GetParam().input);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "ERROR: " + GetParam().message + "\n");
    EXPECT_EQ(ReadFileBytes(image), before);
    EXPECT_EQ(FileNamesIn(work.path()), std::vector<std::string>{"image.vnf"});
}

const std::string Key = "2b7e151628aed2a6abf7158809cf4f3c";

INSTANTIATE_TEST_SUITE_P(
    Values, BadOptionTest,
    ::testing::Values(
        BadOptionCase{{"sections", "IMAGE", "--purpose", "demo"},
                      "--purpose: demo not in {demonstration,practical} (see vantrel-utility sections --help)"},
        BadOptionCase{{"sections", "IMAGE", "--entry", "both"},
                      "--entry: both not in {multi,single} (see vantrel-utility sections --help)"},
        BadOptionCase{{"sign", "IMAGE", "--key-pair", "random"},
                      "--key-pair: random not in {default,generate,pelora} (see vantrel-utility sign --help)"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-len", "512", "--hash", "L2_Hash"},
                      "--key-len: 512 not in {128,192,256} (see vantrel-utility protect --help)"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--mode", "1", "--hash", "L2_Hash"},
                      "--mode: 1 not in {ecb,cbc,ofb,ctr} (see vantrel-utility protect --help)"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-file", "-", "--hash", "L2_Hash"},
                      "the key from standard input holds characters other than hexadecimal digits (0-9, a-f, A-F)",
                      "12g4"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-file", "-", "--hash", "L2_Hash"},
                      "the key from standard input has 31 digits; --key-len 128 needs 32 (a shorter key is a "
                      "weaker key)",
                      Key.substr(1) + "\n"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-len", "192", "--key-file", "-", "--aes", "L2_Hash"},
                      "the key from standard input has 64 digits; --key-len 192 needs 48", Key + Key},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-file", "-", "--hash", "L2_Hash"},
                      "the key from standard input is empty", " \n"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-file", "/nonexistent.key", "--hash", "L2_Hash"},
                      "cannot read the key file /nonexistent.key: No such file or directory"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-env", "VANTREL_NO_SUCH_KEY", "--hash", "L2_Hash"},
                      "the environment variable VANTREL_NO_SUCH_KEY named by --key-env is not set"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--hash", "L2_Hash"},
                      "protect needs the AES key: --key-file FILE, --key-file - (standard input) or --key-env NAME"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-file", "-", "--mode", "OFB", "--hash", "L2_Hash"},
                      "--mode ofb encrypts every section and the AESData table with one key stream from one IV: "
                      "anyone holding the protected image learns the XOR of any two encrypted buffers and can "
                      "rebuild a hashed section's record. Give --allow-keystream-reuse to accept this, or use "
                      "--mode cbc",
                      Key},
        BadOptionCase{{"protect", "IMAGE", "--hash", "L2_Hash"}, "-o is required (see vantrel-utility protect --help)"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-file", "-"},
                      "protect needs at least one --hash NAME or --aes NAME", Key},
        BadOptionCase{{"protect", "IMAGE", "-o", "/nonexistent-dir/out.vnf", "--key-file", "-", "--hash", "L2_Hash"},
                      "cannot write output /nonexistent-dir/out.vnf (not a file in an existing directory)", Key},
        BadOptionCase{{"protect", "IMAGE", "-o"}, "-o: 1 required TEXT missing (see vantrel-utility protect --help)"},
        BadOptionCase{{"verify", "IMAGE", "--key-file", "-"},
                      "the key from standard input has 33 digits; an AES key has 32, 48 or 64 (AES-128, -192, "
                      "-256)",
                      Key + "0"},
        BadOptionCase{{"verify", "IMAGE", "--original", "IMAGE"},
                      "--original needs the AES key: --key-file FILE, --key-file - or --key-env NAME"},
        BadOptionCase{{"verify", "IMAGE", "--public-key", "/nonexistent.ecs"},
                      "--public-key: File does not exist: /nonexistent.ecs (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify", "IMAGE", "--key-file", "-", "--key-env", "KEY"},
                      "--key-file excludes --key-env (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify", "IMAGE", "--tool-dir", "/nonexistent"},
                      "--tool-dir: Directory does not exist: /nonexistent (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify", "IMAGE", "--frobnicate"},
                      "The following argument was not expected: --frobnicate (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify"}, "IMAGE is required (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify", "IMAGE", "other.vnf"},
                      "The following argument was not expected: other.vnf (see vantrel-utility verify --help)"},
        BadOptionCase{{"sign", "missing.vnf"},
                      "IMAGE: File does not exist: missing.vnf (see vantrel-utility sign --help)"}));

// An unknown command is refused naming the commands there are.
TEST(UnknownCommandTest, IsAUsageErrorThatListsTheCommands)
{
    TempDir work;
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"encrypt", "x"}, {"help", "encrypt"}}) {
        const auto run = Utility(arguments, work.path());
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.rfind("ERROR: unknown command 'encrypt'; commands: sections, sign, protect, verify", 0), 0u)
            << run.err;
    }
}

struct HelpCase {
    std::vector<std::string> arguments;
    std::string firstLine;
};

void PrintTo(const HelpCase& c, std::ostream* os)
{
    for (const auto& argument : c.arguments)
        *os << argument << " ";
}

class HelpTest : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpTest, PrintsUsageOnStandardOutput)
{
    TempDir work;
    const auto run = Utility(GetParam().arguments, work.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), GetParam().firstLine);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HelpTest,
    ::testing::Values(
        HelpCase{{"--help"}, "Usage: vantrel-utility [COMMAND [OPTIONS]]"},
        HelpCase{{"help"}, "Usage: vantrel-utility [COMMAND [OPTIONS]]"},
        HelpCase{{"--version"}, "vantrel-utility " VANTREL_VERSION},
        HelpCase{{"sections", "--help"},
                 "Usage: vantrel-utility sections IMAGE [--purpose demonstration|practical]"},
        HelpCase{{"help", "sign"}, "Usage: vantrel-utility sign IMAGE [--key-pair default|generate|pelora]"},
        HelpCase{{"protect", "-h"},
                 "Usage: vantrel-utility protect IMAGE -o OUTPUT --key-file FILE|--key-env NAME"},
        HelpCase{{"verify", "--help"}, "Usage: vantrel-utility verify IMAGE [--public-key FILE]"}));

}  // namespace
}  // namespace vantrel::testing
