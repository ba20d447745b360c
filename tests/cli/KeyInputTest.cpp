// The AES key from a file, from standard input or from the environment
// protects an image that verify accepts with the same key and that OpenSSL's
// own command line decrypts to the original bytes. --key still works, with a
// warning. No run shows the key.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

const std::string Key = "2b7e151628aed2a6abf7158809cf4f3c";

struct KeySourceCase {
    const char* name;
    std::vector<std::string> options;
    std::string input;  // standard input
    bool warned;        // a WARNING about the key's visibility
};

void PrintTo(const KeySourceCase& c, std::ostream* os) { *os << c.name; }

class KeySourceTest : public ::testing::TestWithParam<KeySourceCase> {
protected:
    TempDir work;

    // vantrel-utility with the arguments and the case's key options, in an
    // environment that holds the key as FW_KEY.
    ProgramResult Run(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(),
                         {"/usr/bin/env", "FW_KEY=" + Key, (ToolsDir() / "vantrel-utility").string()});
        arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
        const ProgramResult result = RunProgram(arguments, GetParam().input, work.path());
        EXPECT_EQ((result.out + result.err).find(Key), std::string::npos) << "the key was shown";
        EXPECT_EQ(result.err.find("WARNING: --key shows the AES key") != std::string::npos, GetParam().warned)
            << result.err;
        return result;
    }
};

TEST_P(KeySourceTest, ProtectsAnImageThatVerifyAndOpensslDecrypt)
{
    const auto image = work / "image.vnf";
    const auto output = work / "protected.vnf";
    WriteElfImage(image, ProtectableImage());
    ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path()).status, 0);
    WriteFileText(work / "key.txt", "\n  " + Key + " \n");

    const auto protectedRun =
        Run({"protect", image.string(), "-o", output.string(), "--entry", "single", "--aes", "L1_Code_Encrypt"});
    ASSERT_EQ(protectedRun.status, 0) << protectedRun.err;
    EXPECT_EQ(protectedRun.out, "");
    const auto verified = Run({"verify", output.string()});
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_NE(verified.out.find("passed  AESData table"), std::string::npos) << verified.out;

    // The IV is the first 16 bytes of the AESData record.
    const Bytes record = SectionBytes(output, "AESData");
    WriteFileBytes(work / "encrypted.bin", SectionBytes(output, "L1_Code_Encrypt"));
    const auto decrypted = RunProgram({"/usr/bin/openssl", "enc", "-d", "-aes-128-cbc", "-nopad", "-K", Key, "-iv",
                                       HexText(Bytes(record.begin(), record.begin() + 16)), "-in",
                                       (work / "encrypted.bin").string(), "-out", (work / "plain.bin").string()});
    ASSERT_EQ(decrypted.status, 0) << decrypted.err;
    EXPECT_EQ(ReadFileBytes(work / "plain.bin"), PatternBytes(48, 4));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, KeySourceTest,
    ::testing::Values(KeySourceCase{"file", {"--key-file", "key.txt"}, "", false},
                      KeySourceCase{"stdin", {"--key-file", "-"}, Key + "\n", false},
                      KeySourceCase{"environment", {"--key-env", "FW_KEY"}, "", false},
                      KeySourceCase{"command_line", {"--key", Key}, "", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel::testing
