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

std::vector<std::string> DirectoryListing(const fs::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
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
    EXPECT_EQ(DirectoryListing(work.path()), std::vector<std::string>{"image.vnf"});
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadOptionTest,
    ::testing::Values(
        BadOptionCase{{"sections", "IMAGE", "--purpose", "demo"},
                      "invalid value 'demo' for --purpose; accepted values: demonstration, practical"},
        BadOptionCase{{"sections", "IMAGE", "--entry", "Multi"},
                      "invalid value 'Multi' for --entry; accepted values: multi, single"},
        BadOptionCase{{"sign", "IMAGE", "--key-pair", "random"},
                      "invalid value 'random' for --key-pair; accepted values: pelora, generate, default"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key-len", "512", "--hash", "L2_Hash"},
                      "invalid value '512' for --key-len; accepted values: 128, 192, 256"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--mode", "xts", "--hash", "L2_Hash"},
                      "invalid value 'xts' for --mode; accepted values: ecb, cbc, ofb, ctr"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key", "12g4", "--hash", "L2_Hash"},
                      "--key takes hexadecimal digits (0-9, a-f, A-F) only"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT", "--key", std::string(33, 'a'), "--hash", "L2_Hash"},
                      "--key has 33 digits; the key length takes at most 32"},
        BadOptionCase{{"protect", "IMAGE", "--hash", "L2_Hash"}, "protect needs -o OUTPUT"},
        BadOptionCase{{"protect", "IMAGE", "-o", "OUT"}, "protect needs at least one --hash NAME or --aes NAME"},
        BadOptionCase{{"protect", "IMAGE", "-o", "/nonexistent-dir/out.vnf", "--hash", "L2_Hash"},
                      "cannot write output /nonexistent-dir/out.vnf (not a file in an existing directory)"},
        BadOptionCase{{"protect", "IMAGE", "-o"}, "option -o needs a value"},
        BadOptionCase{{"verify", "IMAGE", "--key", "0x1234"}, "--key takes hexadecimal digits (0-9, a-f, A-F) only"},
        BadOptionCase{{"verify", "IMAGE", "--public-key", "/nonexistent.ecs"},
                      "cannot read public key file /nonexistent.ecs"},
        BadOptionCase{{"verify", "IMAGE", "--json", "--json"}, "option --json is given more than once"},
        BadOptionCase{{"verify", "IMAGE", "--frobnicate"}, "unknown option '--frobnicate' for verify"},
        BadOptionCase{{"verify"}, "verify takes one IMAGE (see vantrel-utility verify --help)"},
        BadOptionCase{{"verify", "IMAGE", "IMAGE"}, "verify takes one IMAGE (see vantrel-utility verify --help)"},
        BadOptionCase{{"sign", "missing.vnf"}, "cannot read image missing.vnf"},
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
