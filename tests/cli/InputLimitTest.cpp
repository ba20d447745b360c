// Every file the commands read has a size it cannot exceed: a device that
// never ends (/dev/zero) or a large file given where a key, a PIN or a
// signature belongs is refused at once with a message naming the file, never
// read on without end, and nothing changes.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

struct LimitCase {
    const char* name;
    std::vector<std::string> arguments;  // "IMAGE" stands for the image's path
    std::string redirection;             // of the program's standard streams
    int status;
    std::string err;
    std::string out = {};                // a part of standard output
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class InputLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(InputLimitTest, RefusesOversizedInputAndChangesNothing)
{
    TempDir work;
    const auto image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path()).status, 0);
    // 1 MiB without a blank: a key file's number never ends, a signature or
    // key file is far too large.
    WriteFileText(work / "big.txt", std::string(1 << 20, 'F'));
    std::vector<std::string> names = FileNamesIn(work.path());
    std::vector<Bytes> before;
    for (const auto& name : names)
        before.push_back(ReadFileBytes(work / name));

    std::vector<std::string> arguments = GetParam().arguments;
    for (auto& argument : arguments)
        if (argument == "IMAGE")
            argument = image.string();
    const auto run = UtilityRedirected(arguments, work.path(), GetParam().redirection);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.err, GetParam().err);
    EXPECT_NE(run.out.find(GetParam().out), std::string::npos) << run.out;
    EXPECT_EQ(FileNamesIn(work.path()), names);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(ReadFileBytes(work / names[i]), before[i]) << names[i];
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, InputLimitTest,
    ::testing::Values(
        LimitCase{"verify_public_key_device",
                  {"verify", "IMAGE", "--public-key", "/dev/zero"},
                  "",
                  1,
                  "ERROR: verification failed: signature\n",
                  "the public key file /dev/zero holds more than 1024 characters without a blank; it cannot be a "
                  "public key file\n"},
        LimitCase{"sign_private_key_device",
                  {"sign", "IMAGE", "--private-key", "/dev/zero"},
                  "",
                  1,
                  "ERROR: Problem - /dev/zero begins with more than 1024 characters without a blank; it cannot be a "
                  "private key file\n"},
        LimitCase{"sign_private_key_large_file",
                  {"sign", "IMAGE", "--private-key", "big.txt"},
                  "",
                  1,
                  "ERROR: Problem - big.txt begins with more than 1024 characters without a blank; it cannot be a "
                  "private key file\n"},
        LimitCase{"sign_signature_large_file",
                  {"sign", "IMAGE", "--signature", "big.txt", "--public-key", "public.ecs"},
                  "",
                  1,
                  "ERROR: big.txt is larger than 512 bytes; it cannot be a signature file.\n"},
        LimitCase{"sign_pin_file_device",
                  {"sign", "IMAGE", "--pkcs11", "pkcs11:token=none;object=none", "--pin-file", "/dev/zero"},
                  "",
                  1,
                  "ERROR: /dev/zero is larger than 1024 bytes; it cannot be a PIN file.\n"},
        LimitCase{"keys_import_device",
                  {"keys", "import", "/dev/zero"},
                  "",
                  1,
                  "ERROR: /dev/zero is larger than 8192 bytes; it cannot be a private key file.\n"},
        // A key that cannot be read is refused with the other checks of the
        // options, before anything runs: status 2.
        LimitCase{"protect_key_file_device",
                  {"protect", "IMAGE", "-o", "out.vnf", "--key-file", "/dev/zero", "--aes", "L2_Encrypt"},
                  "",
                  2,
                  "ERROR: /dev/zero is larger than 4096 bytes; it cannot be an AES key.\n"},
        LimitCase{"verify_key_on_standard_input",
                  {"verify", "IMAGE", "--key-file", "-"},
                  "<big.txt",
                  2,
                  "ERROR: standard input is larger than 4096 bytes; it cannot be an AES key.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel::testing
