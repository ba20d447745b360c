// The public key's exported forms, read by OpenSSL's own command line: the
// SubjectPublicKeyInfo passes OpenSSL's public-key check, holds our point and
// verifies our signatures; the fingerprint and the C array hold the raw key.
#include <gtest/gtest.h>

#include <memory>

#include <openssl/ecdsa.h>

#include "KeysTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

// K-163 with the base point -G = (x, x + y): a curve OpenSSL knows by no
// name, so its keys are exported with explicit parameters.
const std::string UnnamedCurve =
    "163 1 1 4000000000000000000020108A2E0CC0D99F8A5EF 2FE13C0537BBC11ACAA07D793DE4E6D5E5C94EEE8 "
    "7714CFE32684EEF49818F913DB78B866904E4D31 7 6 3\n";

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct InfoCase {
    const char* name;
    const char* format;     // of keys export
    const char* inform;     // of openssl pkey
    bool unnamedCurve;      // the curve file holds UnnamedCurve
    const char* curveLine;  // what openssl pkey -text says of the curve
};

void PrintTo(const InfoCase& c, std::ostream* os) { *os << c.name; }

class PublicKeyInfoTest : public ::testing::TestWithParam<InfoCase> {};

TEST_P(PublicKeyInfoTest, OpenSslChecksTheKeyAndReadsOurPoint)
{
    const InfoCase c = GetParam();
    TempDir work, tools;
    std::vector<std::string> toolDir;
    if (c.unnamedCurve) {
        WriteFileText(tools / "ecc_koblitz.ecs", UnnamedCurve);
        toolDir = {"--tool-dir", tools.path().string()};
    }
    const auto with = [&toolDir](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), toolDir.begin(), toolDir.end());
        return arguments;
    };
    ASSERT_EQ(Keys(with({"generate", "--out", "."}), work.path()).status, 0);
    const auto exported = Keys(with({"export", "--format", c.format, "-o", "key"}), work.path());
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "");

    const auto checked =
        OpenSsl({"pkey", "-pubin", "-in", "key", "-inform", c.inform, "-pubcheck", "-text", "-noout"}, work.path());
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
    EXPECT_NE(checked.out.find(c.curveLine), npos) << checked.out;
    const auto der = OpenSsl({"pkey", "-pubin", "-in", "key", "-inform", c.inform, "-outform", "DER"}, work.path());
    ASSERT_EQ(der.status, 0) << der.err;
    EXPECT_EQ(PointOfPublicKeyInfo(BytesOf(der.out)), RawPublicKey(work.path(), toolDir));
}

INSTANTIATE_TEST_SUITE_P(
    FormsAndCurves, PublicKeyInfoTest,
    ::testing::Values(InfoCase{"PemNamed", "pem", "PEM", false, "ASN1 OID: sect163k1"},
                      InfoCase{"DerNamed", "der", "DER", false, "ASN1 OID: sect163k1"},
                      InfoCase{"PemExplicit", "pem", "PEM", true, "Field Type: characteristic-two-field"},
                      InfoCase{"DerExplicit", "der", "DER", true, "Field Type: characteristic-two-field"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExportFormsTest, FingerprintAndCArrayHoldTheRawKey)
{
    TempDir work;
    ASSERT_EQ(Keys({"generate", "--out", "."}, work.path()).status, 0);
    const Bytes raw = RawPublicKey(work.path());
    ASSERT_EQ(raw.size(), 42u);

    WriteFileBytes(work / "raw.bin", raw);
    const auto digest = OpenSsl({"dgst", "-sha256", "-r", "raw.bin"}, work.path());
    ASSERT_EQ(digest.status, 0) << digest.err;
    EXPECT_EQ(Keys({"export", "--format", "sha256"}, work.path()).out, digest.out.substr(0, 64) + "\n");

    // The C array compiles warning-free into a program that gives the bytes
    // back.
    ASSERT_EQ(Keys({"export", "--format", "c", "-o", "key.h"}, work.path()).status, 0);
    WriteFileText(work / "dump.c", "#include <stdio.h>\n#include \"key.h\"\n"
                                   "int main(void) { fwrite(vantrel_public_key, 1, sizeof vantrel_public_key, "
                                   "stdout); return 0; }\n");
    const auto compiled =
        RunProgram({VANTREL_C_COMPILER, "-Wall", "-Wextra", "-Werror", "-o", "dump", "dump.c"}, {}, work.path());
    ASSERT_EQ(compiled.status, 0) << compiled.err;
    EXPECT_EQ(BytesOf(RunProgram({(work / "dump").string()}).out), raw);
}

struct EcdsaSigFree { void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); } };

// The DER ECDSA-Sig-Value of digital_signature: r then s, 24 bytes each,
// least significant first.
Bytes SignatureDer(const Bytes& digitalSignature)
{
    std::unique_ptr<ECDSA_SIG, EcdsaSigFree> signature(ECDSA_SIG_new());
    BIGNUM* r = BN_lebin2bn(digitalSignature.data(), 24, nullptr);
    BIGNUM* s = BN_lebin2bn(digitalSignature.data() + 24, 24, nullptr);
    if (!signature || !r || !s || !ECDSA_SIG_set0(signature.get(), r, s)) {
        BN_free(r);
        BN_free(s);
        return {};
    }
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(signature.get(), &der);
    const Bytes bytes(der, der + std::max(length, 0));
    OPENSSL_free(der);
    return bytes;
}

TEST(ExportedKeyTest, OpenSslVerifiesTheSignatureOfASignedImage)
{
    TempDir work, other;
    const fs::path image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    const auto signedRun = Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path());
    ASSERT_EQ(signedRun.status, 0) << signedRun.err;
    // After signing msg_data holds the signed message.
    WriteFileBytes(work / "message.bin", SectionBytes(image, "msg_data"));
    WriteFileBytes(work / "signature.der", SignatureDer(SectionBytes(image, "digital_signature")));
    ASSERT_EQ(Keys({"export", "--format", "pem", "-o", "pelora.pem"}, work.path()).status, 0);
    ASSERT_EQ(Keys({"generate", "--out", "."}, other.path()).status, 0);
    ASSERT_EQ(Keys({"export", "--format", "pem", "-o", (work / "other.pem").string()}, other.path()).status, 0);

    const auto verify = [&work](const std::string& key) {
        return OpenSsl({"dgst", "-sha1", "-verify", key, "-signature", "signature.der", "message.bin"}, work.path());
    };
    const auto verified = verify("pelora.pem");
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_EQ(verified.out, "Verified OK\n");
    const auto otherKey = verify("other.pem");
    EXPECT_EQ(otherKey.status, 1);
    EXPECT_EQ(otherKey.out, "Verification failure\n");
}

}  // namespace
}  // namespace vantrel::testing
