// Option values are checked before anything is touched: a bad value gives one
// message listing what is accepted, status 1, and no file changes.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

struct BadOptionCase {
    std::vector<std::string> arguments;  // "IMAGE" and "OUT" stand for the paths
    std::string message;
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

    const auto run = Utility(Substitute(GetParam().arguments, image, work / "out.vnf"), work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "ERROR: " + GetParam().message + "\n");
    EXPECT_EQ(ReadFileBytes(image), before);
    EXPECT_EQ(FileNamesIn(work.path()), std::vector<std::string>{"image.vnf"});
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadOptionTest,
    ::testing::Values(
        BadOptionCase{{"sections", "IMAGE", "--purpose", "demo"},
                      "--purpose: demo not in {demonstration,practical} (see vantrel-utility sections --help)"},
        BadOptionCase{{"sections", "IMAGE", "--entry", "Multi"},
                      "--entry: Multi not in {multi,single} (see vantrel-utility sections --help)"},
        BadOptionCase{{"sign", "IMAGE", "--key-pair", "random"},
                      "--key-pair: random not in {pelora,generate,default} (see vantrel-utility sign --help)"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-len", "512", "--hash", "L2_Hash"},
                      "--key-len: 512 not in {128,192,256} (see vantrel-utility protect --help)"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--mode", "1", "--hash", "L2_Hash"},
                      "--mode: 1 not in {ecb,cbc,ofb,ctr} (see vantrel-utility protect --help)"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key", "12g4", "--hash", "L2_Hash"},
                      "--key takes hexadecimal digits (0-9, a-f, A-F) only"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key", std::string(33, 'a'), "--hash", "L2_Hash"},
                      "--key has 33 digits; the key length takes at most 32"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-len", "192", "--key", std::string(49, 'a'),
                       "--aes", "L2_Hash"},
                      "--key has 49 digits; the key length takes at most 48"},
        BadOptionCase{{"protect", "IMAGE", "--hash", "L2_Hash"}, "-o is required (see vantrel-utility protect --help)"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT"}, "protect needs at least one --hash NAME or --aes NAME"},
        BadOptionCase{{"protect", "IMAGE", "-o", "/nonexistent-dir/out.vnf", "--hash", "L2_Hash"},
                      "cannot write output /nonexistent-dir/out.vnf (not a file in an existing directory)"},
        BadOptionCase{{"protect", "IMAGE", "-o"}, "-o: 1 required TEXT missing (see vantrel-utility protect --help)"},
        BadOptionCase{{"verify", "IMAGE", "--key", "0x1234"}, "--key takes hexadecimal digits (0-9, a-f, A-F) only"},
        BadOptionCase{{"verify", "IMAGE", "--key", std::string(65, '0')},
                      "--key has 65 digits; the key length takes at most 64"},
        BadOptionCase{{"verify", "IMAGE", "--public-key", "/nonexistent.ecs"},
                      "--public-key: File does not exist: /nonexistent.ecs (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify", "IMAGE", "--key", "ab", "--key", "cd"},
                      "--key: At Most 1 required but received 2 (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify", "IMAGE", "--frobnicate"},
                      "The following argument was not expected: --frobnicate (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify"}, "IMAGE is required (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify", "IMAGE", "other.vnf"},
                      "The following argument was not expected: other.vnf (see vantrel-utility verify --help)"},
        BadOptionCase{{"sign", "missing.vnf"},
                      "IMAGE: File does not exist: missing.vnf (see vantrel-utility sign --help)"},
        BadOptionCase{{"encrypt", "IMAGE"},
                      "unknown command 'encrypt'; commands: sections, sign, protect, verify "
                      "(see vantrel-utility --help)"},
        BadOptionCase{{"help", "encrypt"}, "unknown command 'encrypt'; commands: sections, sign, protect, verify"}));

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
        HelpCase{{"--version"}, "vantrel-utility 1.0.0.1"},
        HelpCase{{"sections", "--help"},
                 "Usage: vantrel-utility sections IMAGE [--purpose demonstration|practical]"},
        HelpCase{{"help", "sign"}, "Usage: vantrel-utility sign IMAGE [--key-pair pelora|generate|default]"},
        HelpCase{{"protect", "-h"},
                 "Usage: vantrel-utility protect IMAGE -o OUTPUT [--key HEX] [--key-len 128|192|256]"},
        HelpCase{{"verify", "--help"},
                 "Usage: vantrel-utility verify IMAGE [--public-key FILE] [--key HEX] [--json]"}));

}  // namespace
}  // namespace vantrel::testing
