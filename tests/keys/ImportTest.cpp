// OpenSSL's private keys become key files that sign images verify accepts;
// keys on other curves, encrypted keys and files without a private key are
// refused, and the key files stay as they were.
#include <gtest/gtest.h>

#include "KeysTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

using OpenSslRuns = std::vector<std::vector<std::string>>;

// Runs openssl with each argument list in the folder.
void Make(const OpenSslRuns& runs, const fs::path& folder)
{
    for (const auto& arguments : runs) {
        const auto made = OpenSsl(arguments, folder);
        ASSERT_EQ(made.status, 0) << arguments.front() << ": " << made.err;
    }
}

const std::vector<std::string> NewK163Key = {"ecparam", "-name", "sect163k1", "-genkey", "-noout", "-out", "k.pem"};

struct ImportCase {
    const char* name;
    OpenSslRuns toKey;  // turn k.pem into the file "key"
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.name; }

class ImportTest : public ::testing::TestWithParam<ImportCase> {};

TEST_P(ImportTest, KeySignsAnImageThatVerifies)
{
    TempDir work;
    Make({NewK163Key}, work.path());
    Make(GetParam().toKey, work.path());

    const auto imported = Keys({"import", "key"}, work.path());
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out.rfind("public key = ", 0), 0u) << imported.out;
    EXPECT_EQ(fs::status(work / "private.ecs").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    const std::string privateKey = ReadFileText(work / "private.ecs");
    EXPECT_EQ((imported.out + imported.err).find(privateKey.substr(0, privateKey.size() - 1)), npos)
        << "the private key was printed";
    const auto der = OpenSsl({"pkey", "-in", "k.pem", "-pubout", "-outform", "DER"}, work.path());
    EXPECT_EQ(RawPublicKey(work.path()), PointOfPublicKeyInfo(Bytes(der.out.begin(), der.out.end())));

    const fs::path image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    const auto signedRun = Utility({"sign", image.string(), "--key-pair", "default"}, work.path());
    ASSERT_EQ(signedRun.status, 0) << signedRun.err;
    const auto verified = Utility({"verify", image.string()}, work.path());
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ImportTest,
    ::testing::Values(
        ImportCase{"TraditionalPem", {{"ec", "-in", "k.pem", "-out", "key"}}},
        ImportCase{"Pkcs8Pem", {{"pkcs8", "-topk8", "-nocrypt", "-in", "k.pem", "-out", "key"}}},
        ImportCase{"TraditionalDer", {{"ec", "-in", "k.pem", "-outform", "DER", "-out", "key"}}},
        ImportCase{"Pkcs8Der", {{"pkcs8", "-topk8", "-nocrypt", "-in", "k.pem", "-outform", "DER", "-out", "key"}}},
        ImportCase{"ExplicitParameters", {{"ec", "-in", "k.pem", "-param_enc", "explicit", "-out", "key"}}},
        // The curve's parameters block before the key.
        ImportCase{"ParametersFirst",
                   {{"ecparam", "-name", "sect163k1", "-genkey", "-out", "key"}, {"ec", "-in", "key", "-out", "k.pem"}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    OpenSslRuns toKey;    // make the file "key"
    const char* message;  // follows the key file's path
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class ImportRefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ImportRefusalTest, KeyFilesStayAsTheyWere)
{
    const RefusalCase c = GetParam();
    TempDir work, source;
    Make(c.toKey, source.path());
    ASSERT_EQ(Keys({"generate", "--out", "."}, work.path()).status, 0);
    const FolderBytes before = FilesIn(work.path());

    const std::string key = (source / "key").string();
    const auto refused = Keys({"import", key, "--force"}, work.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("ERROR: " + key + " " + c.message), npos) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(FilesIn(work.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ImportRefusalTest,
    ::testing::Values(
        RefusalCase{"OtherNamedCurve",
                    {{"ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", "key"}},
                    "holds a key on prime256v1, not on the curve in use (sect163k1, from "},
        RefusalCase{"OtherCurveByParameters",
                    {{"ecparam", "-name", "sect233k1", "-genkey", "-noout", "-param_enc", "explicit", "-out", "key"}},
                    "holds a key on sect233k1, not on the curve in use"},
        RefusalCase{"EncryptedPem",
                    {NewK163Key, {"pkcs8", "-topk8", "-in", "k.pem", "-passout", "pass:secret", "-out", "key"}},
                    "holds an encrypted private key; only unencrypted keys are imported"},
        RefusalCase{"EncryptedDer",
                    {NewK163Key,
                     {"pkcs8", "-topk8", "-in", "k.pem", "-passout", "pass:secret", "-outform", "DER", "-out", "key"}},
                    "holds an encrypted private key; only unencrypted keys are imported"},
        RefusalCase{"NotEllipticCurve",
                    {{"genpkey", "-algorithm", "ED25519", "-out", "key"}},
                    "holds a key of type ED25519, not an elliptic-curve key"},
        RefusalCase{"PublicKeyOnly",
                    {NewK163Key, {"pkey", "-in", "k.pem", "-pubout", "-out", "key"}},
                    "holds no private key OpenSSL reads"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel::testing
