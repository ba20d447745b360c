// Every output of every command is checked before anything runs: one that
// names a file the command reads, or a key file, is refused by name; one
// that exists and is of another kind is replaced only with --force. Either
// way every file stays byte for byte as it was.
#include <gtest/gtest.h>

#include <map>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

struct ClashCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string message;  // part of standard error
};

void PrintTo(const ClashCase& c, std::ostream* os) { *os << c.name; }

std::map<std::string, Bytes> Snapshot(const fs::path& folder)
{
    std::map<std::string, Bytes> files;
    for (const std::string& name : FileNamesIn(folder))
        files[name] = ReadFileBytes(folder / name);
    return files;
}

class OutputClash : public ::testing::TestWithParam<ClashCase> {};

TEST_P(OutputClash, IsRefusedAndChangesNothing)
{
    TempDir work;
    WriteElfImage(work / "image.vnf", ProtectableImage());
    ASSERT_EQ(Utility({"sign", "image.vnf", "--key-pair", "pelora"}, work.path()).status, 0);
    WriteFileText(work / "aes.key", "000102030405060708090a0b0c0d0e0f\n");
    WriteFileText(work / "sig.der", "not yet a signature\n");
    WriteFileText(work / "notes.txt", "a file of the user's\n");
    WriteFileText(work / "d.message", "a message whose digest is gone\n");
    const auto before = Snapshot(work.path());

    const ProgramResult run = Utility(GetParam().arguments, work.path());
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_TRUE(Snapshot(work.path()) == before) << "a file changed";
}

const std::string Destroys = "; writing it would destroy it. Name another file. Nothing was changed.";
const std::vector<std::string> Protect{"--key-file", "aes.key", "--hash", "ShareFunctionSection2"};

std::vector<std::string> Join(std::vector<std::string> head, const std::vector<std::string>& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OutputClash,
    ::testing::Values(
        ClashCase{"ProtectOverPrivateKey", Join({"protect", "image.vnf", "-o", "private.ecs"}, Protect),
                  "The output image private.ecs is the private key file" + Destroys},
        ClashCase{"ProtectOverAesKey", Join({"protect", "image.vnf", "-o", "aes.key"}, Protect),
                  "The output image aes.key is the AES key file" + Destroys},
        ClashCase{"ProtectOverAnotherKind", Join({"protect", "image.vnf", "-o", "notes.txt"}, Protect),
                  "The output image notes.txt exists and is not a 32-bit ELF image. Give --force to replace it."},
        ClashCase{"DigestOverPrivateKey", {"sign", "image.vnf", "--digest-out", "private.ecs"},
                  "The digest file private.ecs is the private key file" + Destroys},
        ClashCase{"DigestOverTheImage", {"sign", "image.vnf", "--digest-out", "image.vnf"},
                  "is the digest file image.vnf" + Destroys},
        ClashCase{"DigestImageOverPublicKey", {"sign", "image.vnf", "--digest-out", "d", "-o", "public.ecs"},
                  "The output image public.ecs is the public key file" + Destroys},
        ClashCase{"DigestOverAnUnrelatedMessage", {"sign", "image.vnf", "--digest-out", "d"},
                  "The message file d.message exists and is not a message beside its digest."},
        ClashCase{"SignedCopyOverItsSignature", {"sign", "image.vnf", "--signature", "sig.der", "-o", "sig.der"},
                  "The output image sig.der is the signature file" + Destroys},
        ClashCase{"SignAKeyFile", {"sign", "private.ecs"}, "is the private key file private.ecs" + Destroys},
        ClashCase{"ExportOverTheAesKey", {"keys", "export", "--format", "pem", "-o", "aes.key"},
                  "The export aes.key exists and is not an exported public key. Give --force to replace it."},
        ClashCase{"ImportTheKeyFileItWrites", {"keys", "import", "private.ecs"},
                  "The private key file private.ecs is the key file to import" + Destroys}),
    [](const auto& info) { return std::string(info.param.name); });

// A second signing never exchanges the message sections back: refused, and
// --resign signs the message as it stands, which verify accepts.
TEST(SignTwice, IsRefusedAndResignKeepsTheSections)
{
    TempDir work;
    WriteElfImage(work / "image.vnf", ProtectableImage());
    ASSERT_EQ(Utility({"keys", "generate", "--out", "."}, work.path()).status, 0);
    ASSERT_EQ(Utility({"sign", "image.vnf"}, work.path()).status, 0);
    const Bytes once = ReadFileBytes(work / "image.vnf");
    const ProgramResult again = Utility({"sign", "image.vnf"}, work.path());
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("is already signed: its digital_signature holds a signature"), std::string::npos)
        << again.err;
    EXPECT_NE(again.err.find("\nGive --resign to sign its message as it stands"), std::string::npos) << again.err;
    EXPECT_EQ(ReadFileBytes(work / "image.vnf"), once);
    ASSERT_EQ(Utility({"sign", "image.vnf", "--resign"}, work.path()).status, 0);
    // Still the former msg_code in msg_data, as the first signing left it.
    EXPECT_EQ(SectionBytes(work / "image.vnf", "msg_data"), PatternBytes(64, 1));
    EXPECT_EQ(Utility({"verify", "image.vnf"}, work.path()).status, 0);
}

// What nothing covers, the public Pelora key and ECB are said, not left to
// be found out.
TEST(SaidPlainly, PeloraNotCoveredAndEcb)
{
    TempDir work;
    WriteElfImage(work / "image.vnf", ProtectableImage());
    const ProgramResult signedRun = Utility({"sign", "image.vnf", "--key-pair", "pelora"}, work.path());
    ASSERT_EQ(signedRun.status, 0) << signedRun.err;
    EXPECT_NE(signedRun.err.find("WARNING: the Pelora key pair is public"), std::string::npos) << signedRun.err;
    const ProgramResult verified = Utility({"verify", "image.vnf"}, work.path());
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_NE(verified.out.find("Public key: the Pelora key, whose pair is public"), std::string::npos)
        << verified.out;
    EXPECT_NE(verified.out.find("\nNot covered: the ELF and program headers, msg_code, sections the AESData "
                                "record does not name; the AESData record carries no key-bound integrity\n"),
              std::string::npos)
        << verified.out;
    const ProgramResult exported = Utility({"keys", "export", "--format", "sha256"}, work.path());
    EXPECT_NE(exported.err.find("is the Pelora key"), std::string::npos) << exported.err;
    WriteFileText(work / "aes.key", "000102030405060708090a0b0c0d0e0f\n");
    const ProgramResult ecb = Utility({"protect", "image.vnf", "-o", "out.vnf", "--key-file", "aes.key", "--mode",
                                       "ecb", "--hash", "ShareFunctionSection2"},
                                      work.path());
    EXPECT_EQ(ecb.status, 0) << ecb.err;
    EXPECT_NE(ecb.err.find("WARNING: --mode ecb encrypts equal 16-byte blocks"), std::string::npos) << ecb.err;
}

}  // namespace
}  // namespace vantrel::testing
