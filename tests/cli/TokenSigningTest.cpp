// Signing with a key held in a real software PKCS#11 token (SoftHSM2): its
// token folder and configuration live in the test's temporary folder, the
// token is initialised by the test, the key pair is made inside it by
// keys generate --pkcs11, and the signed image passes verify. The PIN comes
// from a file or an environment variable, never from the command line.
#include <gtest/gtest.h>

#include <openssl/bn.h>
#include <openssl/ecdsa.h>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "CliTestSupport.h"
#include "pkcs11/TokenKey.h"
#include "pkcs11/TokenModule.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

const char* const SoftHsmModule = "/usr/lib/softhsm/libsofthsm2.so";
const char* const SoftHsmUtil = "/usr/bin/softhsm2-util";
const char* const TokenUri = "pkcs11:token=vantrel-test;object=release";
const char* const P11KitClient = "/usr/lib/x86_64-linux-gnu/pkcs11/p11-kit-client.so";

class TokenSigningTest : public ::testing::Test {
protected:
    TempDir work;
    fs::path image = work / "image.vnf";

    void SetUp() override
    {
        if (!fs::exists(SoftHsmModule) || !fs::exists(SoftHsmUtil))
            GTEST_SKIP() << "SoftHSM2 is not installed (Debian package softhsm2)";
        fs::create_directory(work / "tokens");
        std::ofstream(work / "softhsm2.conf") << "directories.tokendir = " << (work / "tokens").string()
                                               << "\nobjectstore.backend = file\nlog.level = ERROR\n";
        // The program and softhsm2-util inherit the test's environment.
        setenv("SOFTHSM2_CONF", (work / "softhsm2.conf").c_str(), 1);
        const auto initialised = RunProgram({SoftHsmUtil, "--init-token", "--free", "--label", "vantrel-test",
                                             "--pin", "1234", "--so-pin", "5678"});
        ASSERT_EQ(initialised.status, 0) << initialised.err;
        std::ofstream(work / "pin") << "1234\n";
        std::ofstream(work / "wrong-pin") << "9999\n";
        WriteElfImage(image, ProtectableImage());
    }

    void TearDown() override { unsetenv("SOFTHSM2_CONF"); }

    ProgramResult Token(std::vector<std::string> arguments, const std::vector<std::string>& pin = {"--pin-file", "pin"})
    {
        arguments.insert(arguments.end(), {"--pkcs11", TokenUri, "--pkcs11-module", SoftHsmModule});
        arguments.insert(arguments.end(), pin.begin(), pin.end());
        return Utility(arguments, work.path());
    }

    // An OpenSSL key on the named curve, put into the token by
    // softhsm2-util --import as PKCS#8 under the URI's label.
    void ImportIntoToken(const std::string& curve, const std::string& id = "01")
    {
        const auto made = RunProgram({"/bin/sh", "-c",
                                      "openssl ecparam -name " + curve + " -genkey -noout -out key.pem && "
                                      "openssl pkcs8 -topk8 -nocrypt -in key.pem -out key.p8"},
                                     {}, work.path());
        ASSERT_EQ(made.status, 0) << made.err;
        const auto imported = RunProgram({SoftHsmUtil, "--import", (work / "key.p8").string(), "--token",
                                          "vantrel-test", "--label", "release", "--id", id, "--pin", "1234"});
        ASSERT_EQ(imported.status, 0) << imported.err;
    }

    void GenerateInToken()
    {
        const auto generated = Token({"keys", "generate"});
        ASSERT_EQ(generated.status, 0) << generated.err;
        // A fresh id of its own, so that the key can always be named alone.
        EXPECT_NE(generated.err.find(" with id=%"), std::string::npos) << generated.err;
        ASSERT_TRUE(fs::exists(work / "public.ecs"));
        EXPECT_FALSE(fs::exists(work / "private.ecs"));
    }
};

// The attributes the token keeps for the private key the URI names, as
// the token itself reports them (nothing of the program's own reading).
std::map<CK_ATTRIBUTE_TYPE, bool> PrivateKeyFlags(const std::vector<CK_ATTRIBUTE_TYPE>& types)
{
    std::map<CK_ATTRIBUTE_TYPE, bool> flags;
    Outcome<::vantrel::TokenUri> uri = ::vantrel::TokenUri::Parse(TokenUri);
    Outcome<TokenModule> module = TokenModule::Load(SoftHsmModule);
    if (!uri || !module)
        return flags;
    Outcome<TokenSlot> slot = module.value().FindToken(uri.value());
    if (!slot)
        return flags;
    Outcome<TokenSession> session = TokenSession::Open(slot.value(), TokenUri, false);
    const std::string pin = "1234";
    if (!session || !session.value().Login(SecretBytes(pin.begin(), pin.end())))
        return flags;
    Outcome<CK_OBJECT_HANDLE> key = FindTokenObject(session.value(), uri.value(), CKO_PRIVATE_KEY);
    if (!key)
        return flags;
    for (CK_ATTRIBUTE_TYPE type : types) {
        CK_BBOOL value = CK_FALSE;
        CK_ATTRIBUTE attribute{type, &value, sizeof value};
        if (session.value().functions()->C_GetAttributeValue(session.value().handle(), key.value(), &attribute, 1) ==
            CKR_OK)
            flags[type] = value == CK_TRUE;
    }
    return flags;
}

TEST_F(TokenSigningTest, KeyMadeInTheTokenSignsAndVerifyPasses)
{
    GenerateInToken();
    // Kept secret in the token and good for signing only.
    const std::map<CK_ATTRIBUTE_TYPE, bool> expected{{CKA_SENSITIVE, true}, {CKA_EXTRACTABLE, false},
                                                     {CKA_SIGN, true},      {CKA_DECRYPT, false},
                                                     {CKA_UNWRAP, false},   {CKA_DERIVE, false}};
    std::vector<CK_ATTRIBUTE_TYPE> types;
    for (const auto& [type, value] : expected)
        types.push_back(type);
    EXPECT_EQ(PrivateKeyFlags(types), expected);
    const Bytes before = SectionBytes(image, "msg_code");
    const auto signedImage = Token({"sign", image.string()});
    ASSERT_EQ(signedImage.status, 0) << signedImage.err;
    EXPECT_NE(signedImage.err.find("Signed " + image.string() + " in place with the key of pkcs11:"),
              std::string::npos)
        << signedImage.err;
    EXPECT_EQ(SectionBytes(image, "msg_data"), before);
    EXPECT_TRUE(fs::exists(work / "signature.ecs"));
    const auto verified = Utility({"verify", image.string()}, work.path());
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;

    // The token's public key exported is the one public.ecs holds.
    const auto fromToken = Token({"keys", "export", "--format", "raw"});
    ASSERT_EQ(fromToken.status, 0) << fromToken.err;
    const auto fromFile = Utility({"keys", "export", "--format", "raw"}, work.path());
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromToken.out, fromFile.out);
    EXPECT_EQ(fromToken.out.size(), 42U);
}

// OpenSSL's own command line accepts the image's signature over its signed
// message, against public.ecs of folder.
void ExpectOpenSslAccepts(const fs::path& folder, const fs::path& image)
{
    const Bytes signature = SectionBytes(image, "digital_signature");
    ECDSA_SIG* sig = ECDSA_SIG_new();
    ASSERT_TRUE(ECDSA_SIG_set0(sig, BN_lebin2bn(signature.data(), 24, nullptr),
                               BN_lebin2bn(signature.data() + 24, 24, nullptr)));
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(sig, &der);
    ECDSA_SIG_free(sig);
    ASSERT_GT(length, 0);
    WriteFileBytes(folder / "sig.der", Bytes(der, der + length));
    OPENSSL_free(der);
    WriteFileBytes(folder / "message.bin", SectionBytes(image, "msg_data"));
    ASSERT_EQ(Utility({"keys", "export", "--format", "pem", "-o", "public.pem"}, folder).status, 0);
    const auto checked = RunProgram({"/usr/bin/openssl", "dgst", "-sha1", "-verify", "public.pem", "-signature", "sig.der",
                                     "message.bin"},
                                    {}, folder);
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
    EXPECT_NE(checked.out.find("Verified OK"), std::string::npos) << checked.out;
}

// A key imported from OpenSSL signs through the token; OpenSSL's own
// command line accepts the signature over the signed message.
TEST_F(TokenSigningTest, ImportedKeySignsAndOpenSslVerifies)
{
    ImportIntoToken("sect163k1");
    const auto publicKey = Utility({"keys", "import", "key.pem", "--out", "."}, work.path());
    ASSERT_EQ(publicKey.status, 0) << publicKey.err;
    fs::remove(work / "private.ecs");
    const auto signedImage = Token({"sign", image.string()});
    ASSERT_EQ(signedImage.status, 0) << signedImage.err;
    EXPECT_EQ(Utility({"verify", image.string()}, work.path()).status, 0);
    ExpectOpenSslAccepts(work.path(), image);
}

// One token for many build machines: p11-kit server exports the token on a
// socket, and a process without the token's configuration (as root, running
// as nobody, so that the token's files are out of its reach) signs through
// p11-kit's client module. verify and OpenSSL accept the result.
TEST_F(TokenSigningTest, SignsThroughP11KitServerWithoutAccessToTheTokenFiles)
{
    if (!fs::exists(P11KitClient) || !fs::exists("/usr/bin/p11-kit"))
        GTEST_SKIP() << "p11-kit's server or client module is not installed (Debian packages p11-kit, "
                        "p11-kit-modules)";
    GenerateInToken();
    const fs::path socket = work / "token.socket";
    const auto started = RunProgram({"/bin/sh", "-c",
                                     "p11-kit server -f --provider /usr/lib/softhsm/libsofthsm2.so -n '" +
                                         socket.string() + "' 'pkcs11:token=vantrel-test' >server.log 2>&1 & echo $!"},
                                    {}, work.path());
    ASSERT_EQ(started.status, 0) << started.err;
    const pid_t server = std::stoi(started.out);
    for (int tries = 0; tries < 300 && !fs::exists(socket); ++tries)
        usleep(100000);
    ASSERT_TRUE(fs::exists(socket)) << ReadFileText(work / "server.log");

    const fs::path client = work / "client";
    fs::create_directory(client);
    for (const char* file : {"public.ecs", "pin", "image.vnf"})
        fs::copy_file(work / file, client / file);
    std::vector<std::string> asClient{"/usr/bin/env", "-u", "SOFTHSM2_CONF",
                                      "P11_KIT_SERVER_ADDRESS=unix:path=" + socket.string()};
    if (geteuid() == 0) {
        // Only the socket and the client's folder are nobody's; the token's
        // folder stays root's alone.
        fs::permissions(work.path(), fs::perms::owner_all | fs::perms::others_exec);
        fs::permissions(work / "tokens", fs::perms::owner_all);
        ASSERT_EQ(RunProgram({"/bin/chown", "-R", "nobody:nogroup", socket.string(), client.string()}).status, 0);
        asClient.insert(asClient.end(), {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    }
    asClient.insert(asClient.end(), {(ToolsDir() / "vantrel-utility").string(), "sign", "image.vnf", "--pkcs11",
                                     TokenUri, "--pkcs11-module", P11KitClient, "--pin-file", "pin"});
    const auto signedImage = RunProgram(asClient, {}, client);
    kill(server, SIGTERM);
    ASSERT_EQ(signedImage.status, 0) << signedImage.err << ReadFileText(work / "server.log");
    const auto verified = Utility({"verify", "image.vnf"}, client);
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    ExpectOpenSslAccepts(client, client / "image.vnf");
}

TEST_F(TokenSigningTest, KeyOnAnotherCurveIsRefusedAndTheImageStaysByteIdentical)
{
    ImportIntoToken("prime256v1");
    const Bytes before = ReadFileBytes(image);
    const auto refused = Token({"sign", image.string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("ERROR: "), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFileBytes(image), before);
    EXPECT_FALSE(fs::exists(work / "signature.ecs"));
}

TEST_F(TokenSigningTest, WrongPinIsRefusedAndTheImageStaysByteIdentical)
{
    GenerateInToken();
    const Bytes before = ReadFileBytes(image);
    const auto refused = Token({"sign", image.string()}, {"--pin-file", "wrong-pin"});
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("PIN"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("CKR_PIN_INCORRECT"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFileBytes(image), before);
    EXPECT_FALSE(fs::exists(work / "signature.ecs"));
}

TEST_F(TokenSigningTest, PinFromTheEnvironment)
{
    GenerateInToken();
    setenv("VANTREL_TEST_TOKEN_PIN", "1234", 1);
    const auto signedImage = Token({"sign", image.string()}, {"--pin-env", "VANTREL_TEST_TOKEN_PIN"});
    unsetenv("VANTREL_TEST_TOKEN_PIN");
    ASSERT_EQ(signedImage.status, 0) << signedImage.err;
    const auto verified = Utility({"verify", image.string()}, work.path());
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
}

TEST_F(TokenSigningTest, MissingKeyAndUnloadableModuleLeaveTheImageAlone)
{
    const Bytes before = ReadFileBytes(image);
    const auto missing = Token({"sign", image.string()});
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("no private key"), std::string::npos) << missing.err;
    const auto unloadable = Utility({"sign", image.string(), "--pkcs11", TokenUri, "--pkcs11-module",
                                     (work / "none.so").string(), "--pin-file", "pin"},
                                    work.path());
    EXPECT_NE(unloadable.status, 0);
    EXPECT_NE(unloadable.err.find("cannot load the PKCS#11 module"), std::string::npos) << unloadable.err;
    EXPECT_EQ(ReadFileBytes(image), before);
}

// A URI that names any object is never given a second key, and never signs
// with one of two; a new key gets an id of its own; a token key whose public
// key is not public.ecs signs nothing; a PIN in the URI is refused.
TEST_F(TokenSigningTest, AUriNamesOneKeyOrNothingHappens)
{
    GenerateInToken();
    const auto again = Token({"keys", "generate", "--out", "."});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("the public key file public.ecs exists already"), std::string::npos) << again.err;
    fs::create_directory(work / "second");
    const auto second = Token({"keys", "generate", "--out", "second"});
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("the token already holds 2 objects that " + std::string(TokenUri) + " names"),
              std::string::npos)
        << second.err;
    EXPECT_FALSE(fs::exists(work / "second" / "public.ecs"));

    // public.ecs of another pair: the token's key would sign what verify refuses.
    const Bytes tokenKey = ReadFileBytes(work / "public.ecs");
    ASSERT_EQ(Utility({"keys", "generate", "--pelora", "--out", "second"}, work.path()).status, 0);
    const Bytes before = ReadFileBytes(image);
    const auto mismatched = Token({"sign", image.string(), "--public-key", "second/public.ecs"});
    EXPECT_EQ(mismatched.status, 1);
    EXPECT_NE(mismatched.err.find("the token's key is not the one in second/public.ecs"), std::string::npos)
        << mismatched.err;
    EXPECT_EQ(ReadFileBytes(image), before);

    const auto pinInUri = Utility({"sign", image.string(), "--pkcs11", std::string(TokenUri) + "?pin-value=1234",
                                   "--pkcs11-module", SoftHsmModule, "--pin-file", "pin"},
                                  work.path());
    EXPECT_EQ(pinInUri.status, 1);
    EXPECT_NE(pinInUri.err.find("holds a pin-value, which is not used"), std::string::npos) << pinInUri.err;
    EXPECT_EQ(ReadFileBytes(image), before);
    EXPECT_EQ(ReadFileBytes(work / "public.ecs"), tokenKey);
}

TEST_F(TokenSigningTest, TwoKeysOfOneLabelAreNeverChosenBetween)
{
    ImportIntoToken("sect163k1", "01");
    ImportIntoToken("sect163k1", "02");
    const Bytes before = ReadFileBytes(image);
    const auto generated = Token({"keys", "generate"});
    EXPECT_EQ(generated.status, 1);
    EXPECT_NE(generated.err.find("the token already holds"), std::string::npos) << generated.err;
    EXPECT_FALSE(fs::exists(work / "public.ecs"));
    const auto signedImage = Token({"sign", image.string()});
    EXPECT_EQ(signedImage.status, 1);
    EXPECT_NE(signedImage.err.find("more than one private key"), std::string::npos) << signedImage.err;
    EXPECT_EQ(ReadFileBytes(image), before);
}

TEST_F(TokenSigningTest, NoPinAndNoTerminalIsRefused)
{
    GenerateInToken();
    const Bytes before = ReadFileBytes(image);
    const auto refused = Token({"sign", image.string()}, {});
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("--pin-file"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFileBytes(image), before);
}

}  // namespace
}  // namespace vantrel::testing
