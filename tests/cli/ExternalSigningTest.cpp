// Signing in two steps with a signature made elsewhere: the digest and the
// message come out of the first step, openssl signs the message with a key
// this program never sees (its public half imported as public.ecs), and the
// second step checks the signature before it writes anything.
#include <gtest/gtest.h>

#include <filesystem>

#include <openssl/ec.h>

#include "CliTestSupport.h"
#include "core/HexText.h"
#include "core/OpenSslHandles.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

ProgramResult OpenSsl(const std::vector<std::string>& arguments, const fs::path& workingDirectory)
{
    std::vector<std::string> argv{"/usr/bin/openssl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv, {}, workingDirectory);
}

// r then s, 24 bytes each, most significant first, from a DER signature.
Bytes RawSignature(const Bytes& der)
{
    const unsigned char* cursor = der.data();
    EcdsaSigPtr signature(d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(der.size())));
    if (!signature)
        throw std::runtime_error("not a DER signature");
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(signature.get(), &r, &s);
    Bytes raw(48);
    BN_bn2binpad(r, raw.data(), 24);
    BN_bn2binpad(s, raw.data() + 24, 24);
    return raw;
}

// What digital_signature holds for a raw r || s: each value reversed.
Bytes RecordOf(const Bytes& raw)
{
    Bytes record(raw.rbegin() + 24, raw.rend());
    record.insert(record.end(), raw.rbegin(), raw.rbegin() + 24);
    return record;
}

class ExternalSigningTest : public ::testing::Test {
protected:
    TempDir work;
    fs::path image = work / "image.vnf";

    void SetUp() override
    {
        WriteElfImage(image, ProtectableImage());
        MakeKey("key.pem");
        const auto imported = Utility({"keys", "import", "key.pem"}, work.path());
        ASSERT_EQ(imported.status, 0) << imported.err;
    }

    void MakeKey(const std::string& name)
    {
        const auto made = OpenSsl({"ecparam", "-name", "sect163k1", "-genkey", "-noout", "-out", name}, work.path());
        ASSERT_EQ(made.status, 0) << made.err;
    }

    // Step 1 on target (the image by default), then openssl signs the message.
    void PrepareAndSign(const std::string& key = "key.pem", const std::vector<std::string>& more = {})
    {
        std::vector<std::string> arguments{"sign", image.string(), "--digest-out", "digest.bin"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const auto prepared = Utility(arguments, work.path());
        ASSERT_EQ(prepared.status, 0) << prepared.err;
        EXPECT_NE(prepared.err.find("openssl dgst -sha1 -sign key.pem -out signature.der digest.bin.message"),
                  std::string::npos)
            << prepared.err;
        const auto signedMessage =
            OpenSsl({"dgst", "-sha1", "-sign", key, "-out", "signature.der", "digest.bin.message"}, work.path());
        ASSERT_EQ(signedMessage.status, 0) << signedMessage.err;
    }

    ProgramResult Apply(const std::string& signature, const fs::path& target)
    {
        return Utility({"sign", target.string(), "--signature", signature, "--public-key", "public.ecs"}, work.path());
    }
};

TEST_F(ExternalSigningTest, TwoStepsGiveTheOneStepImageWithOpenSslsSignature)
{
    const fs::path oneStep = work / "one-step.vnf";
    fs::copy_file(image, oneStep);
    PrepareAndSign();
    // The message is the former msg_code, now in msg_data; the digest its SHA-1.
    EXPECT_EQ(ReadFileBytes(work / "digest.bin.message"), PatternBytes(64, 1));
    EXPECT_EQ(SectionBytes(image, "msg_data"), PatternBytes(64, 1));
    const auto digest =
        OpenSsl({"dgst", "-sha1", "-binary", "-out", "expected.bin", "digest.bin.message"}, work.path());
    ASSERT_EQ(digest.status, 0) << digest.err;
    EXPECT_EQ(ReadFileBytes(work / "digest.bin"), ReadFileBytes(work / "expected.bin"));
    EXPECT_FALSE(fs::exists(work / "signature.ecs"));

    const auto applied = Apply("signature.der", image);
    ASSERT_EQ(applied.status, 0) << applied.err;
    EXPECT_NE(applied.err.find("Signed " + image.string() + " with the signature in signature.der, checked against "),
              std::string::npos)
        << applied.err;
    const Bytes record = RecordOf(RawSignature(ReadFileBytes(work / "signature.der")));
    EXPECT_EQ(SectionBytes(image, "digital_signature"), record);
    const auto verified = Utility({"verify", image.string()}, work.path());
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    const std::string recordText = ReadFileText(work / "signature.ecs");

    // The one-step signing with the imported private key differs only in
    // the signature's r and s.
    const auto one = Utility({"sign", oneStep.string(), "--key-pair", "default"}, work.path());
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_NE(SectionBytes(oneStep, "digital_signature"), record);
    WriteSectionBytes(oneStep, "digital_signature", record);
    EXPECT_EQ(ReadFileBytes(oneStep), ReadFileBytes(image));
    EXPECT_NE(ReadFileText(work / "signature.ecs"), recordText);
}

TEST_F(ExternalSigningTest, RawSignatureWorksToo)
{
    PrepareAndSign();
    const Bytes raw = RawSignature(ReadFileBytes(work / "signature.der"));
    WriteFileBytes(work / "signature.raw", raw);
    const auto applied = Apply("signature.raw", image);
    ASSERT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(SectionBytes(image, "digital_signature"), RecordOf(raw));
    EXPECT_EQ(Utility({"verify", image.string()}, work.path()).status, 0);
}

TEST_F(ExternalSigningTest, SignatureThatDoesNotVerifyIsRefusedAndNothingChanges)
{
    WriteFileText(work / "signature.ecs", "1\n2\n");
    MakeKey("other.pem");
    PrepareAndSign("other.pem");
    const Bytes prepared = ReadFileBytes(image);
    const auto otherKey = Apply("signature.der", image);
    EXPECT_EQ(otherKey.status, 1);
    EXPECT_EQ(otherKey.err.rfind("ERROR: The signature in signature.der does not verify against public.ecs and "
                                 "the message of " + image.string() +
                                     " (the signature does not match the message and the public key). Nothing "
                                     "was changed.",
                                 0),
              0u)
        << otherKey.err;

    const auto rightKey = OpenSsl({"dgst", "-sha1", "-sign", "key.pem", "-out", "flipped.der", "digest.bin.message"},
                                  work.path());
    ASSERT_EQ(rightKey.status, 0) << rightKey.err;
    Bytes flipped = ReadFileBytes(work / "flipped.der");
    flipped.back() ^= 0x01;  // the last byte of s
    WriteFileBytes(work / "flipped.der", flipped);
    const auto flippedRun = Apply("flipped.der", image);
    EXPECT_EQ(flippedRun.status, 1);
    EXPECT_NE(flippedRun.err.find("does not verify against public.ecs"), std::string::npos) << flippedRun.err;

    WriteFileBytes(work / "short.bin", Bytes(47, 1));
    const auto shortRun = Apply("short.bin", image);
    EXPECT_EQ(shortRun.status, 1);
    EXPECT_EQ(shortRun.err, "ERROR: The signature file short.bin holds 47 bytes that are neither a DER "
                            "ECDSA-Sig-Value nor 48 bytes r || s.\n");

    EXPECT_EQ(ReadFileBytes(image), prepared);
    EXPECT_EQ(ReadFileText(work / "signature.ecs"), "1\n2\n");
}

TEST_F(ExternalSigningTest, HexDigestAndOutputLeaveTheImageAsItWas)
{
    const Bytes original = ReadFileBytes(image);
    const fs::path output = work / "out.vnf";
    PrepareAndSign("key.pem", {"--digest-format", "hex", "-o", output.string()});
    EXPECT_EQ(ReadFileBytes(image), original);
    EXPECT_EQ(SectionBytes(output, "msg_data"), PatternBytes(64, 1));
    const auto digest =
        OpenSsl({"dgst", "-sha1", "-binary", "-out", "expected.bin", "digest.bin.message"}, work.path());
    ASSERT_EQ(digest.status, 0) << digest.err;
    EXPECT_EQ(ReadFileText(work / "digest.bin"), BytesToHex(ReadFileBytes(work / "expected.bin")) + "\n");

    const auto applied = Apply("signature.der", output);
    ASSERT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(Utility({"verify", output.string()}, work.path()).status, 0);
    EXPECT_EQ(ReadFileBytes(image), original);
}

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;  // after "sign IMAGE"
    const char* message;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class ExternalSigningUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(ExternalSigningUsageTest, RefusedBeforeAnythingRuns)
{
    TempDir work;
    const fs::path image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    const Bytes original = ReadFileBytes(image);
    std::vector<std::string> arguments{"sign", image.string()};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    const auto run = Utility(arguments, work.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "ERROR: " + std::string(GetParam().message) + "\n");
    EXPECT_EQ(ReadFileBytes(image), original);
    EXPECT_EQ(FileNamesIn(work.path()), std::vector<std::string>{"image.vnf"});
}

INSTANTIATE_TEST_SUITE_P(
    Options, ExternalSigningUsageTest,
    ::testing::Values(
        UsageCase{"BothSteps", {"--digest-out", "d", "--signature", "s"},
                  "--digest-out and --signature are the two steps of signing elsewhere; give one at a time"},
        UsageCase{"FormatAlone", {"--digest-format", "hex"}, "--digest-format goes with --digest-out"},
        UsageCase{"OutputAlone", {"-o", "out.vnf"},
                  "-o goes with --digest-out or --signature; signing with a key file changes IMAGE in place"},
        UsageCase{"KeyPairWithSignature", {"--signature", "s", "--key-pair", "pelora"},
                  "--key-pair, --private-key and --resign are for signing with a key file, not with --digest-out "
                  "or --signature"},
        UsageCase{"PublicKeyWithDigest", {"--digest-out", "d", "--public-key", "p"},
                  "--public-key goes with --signature (the key the signature is checked against), not with "
                  "--digest-out"}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel::testing
