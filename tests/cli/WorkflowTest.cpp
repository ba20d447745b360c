// Sign, protect and verify through the real programs, on generated images
// and on the example firmware image built for a Cortex-M.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include <nlohmann/json.hpp>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

// 256 bits; a shorter key length takes its first digits.
const std::string Key = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

std::string KeyFor(const std::string& keyLen) { return Key.substr(0, std::stoul(keyLen) / 4); }

class WorkflowTest : public ::testing::Test {
protected:
    TempDir work;
    fs::path image = work / "image.vnf";
    fs::path output = work / "protected.vnf";

    void SignImage(bool again = false)
    {
        std::vector<std::string> arguments{"sign", image.string(), "--key-pair", "pelora"};
        if (again)
            arguments.push_back("--resign");
        const auto signedRun = Utility(arguments, work.path());
        ASSERT_EQ(signedRun.status, 0) << signedRun.err;
        ASSERT_NE(signedRun.err.find("Signed " + image.string() + " in place with the Pelora key pair (public: for "
                                     "demonstrations only), written to private.ecs and public.ecs; public key "
                                     "SHA-256 "),
                  std::string::npos)
            << signedRun.err;
    }
};

TEST_F(WorkflowTest, SignedImageVerifiesWithoutKeyAndSkipsTheRecord)
{
    WriteElfImage(image, ProtectableImage());
    SignImage();
    // The signed message is the former msg_code, now in msg_data.
    EXPECT_EQ(SectionBytes(image, "msg_data"), PatternBytes(64, 1));

    const auto verified = Utility({"verify", image.string()}, work.path());
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_NE(verified.out.find("Public key: " + (work / "public.ecs").string() + "\n"), std::string::npos)
        << verified.out;
    EXPECT_NE(verified.out.find("passed  signature"), std::string::npos) << verified.out;
    EXPECT_NE(verified.out.find("skipped AESData"), std::string::npos) << verified.out;
}

// The names of the files in the folder that start with prefix.
std::vector<fs::path> FilesStartingWith(const fs::path& folder, const std::string& prefix)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with(prefix))
            found.push_back(entry.path());
    return found;
}

TEST_F(WorkflowTest, ANewKeyPairReplacesAnotherOnlyWithForceAndKeepsItAsDatedCopies)
{
    WriteElfImage(image, ProtectableImage());
    const auto none = Utility({"sign", image.string()}, work.path());  // default: no key files, no key made
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("\n--key-pair generate makes a new key pair"), std::string::npos) << none.err;
    EXPECT_EQ(FileNamesIn(work.path()), std::vector<std::string>{"image.vnf"});
    const auto pelora = Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path());
    ASSERT_EQ(pelora.status, 0) << pelora.err;
    EXPECT_EQ(pelora.out.rfind("Public key SHA-256: ", 0), 0u) << pelora.out;
    const auto verified = Utility({"verify", image.string()}, work.path());
    EXPECT_NE(verified.out.find(pelora.out), std::string::npos) << verified.out;
    // Default: the key files as they are; signed again as it stands.
    const auto kept = Utility({"sign", image.string(), "--resign"}, work.path());
    ASSERT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(kept.out, "");
    const Bytes privateKey = ReadFileBytes(work / "private.ecs");
    const Bytes publicKey = ReadFileBytes(work / "public.ecs");
    const Bytes signedImage = ReadFileBytes(image);

    const auto refused = Utility({"sign", image.string(), "--key-pair", "generate"}, work.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err.rfind("ERROR: private.ecs and public.ecs hold another key pair and were not replaced.", 0),
              0u)
        << refused.err;
    EXPECT_NE(refused.err.find("\nGive --force to replace them"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFileBytes(work / "private.ecs"), privateKey);
    EXPECT_EQ(ReadFileBytes(work / "public.ecs"), publicKey);
    EXPECT_EQ(ReadFileBytes(image), signedImage);

    const auto forced =
        Utility({"sign", image.string(), "--key-pair", "GENERATE", "--force", "--resign"}, work.path());
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(forced.out.rfind("Public key SHA-256: ", 0), 0u) << forced.out;
    EXPECT_NE(forced.out, pelora.out);
    const auto privateCopies = FilesStartingWith(work.path(), "private-");
    const auto publicCopies = FilesStartingWith(work.path(), "public-");
    ASSERT_EQ(privateCopies.size(), 1u);
    ASSERT_EQ(publicCopies.size(), 1u);
    EXPECT_NE(forced.err.find("kept private.ecs as " + privateCopies[0].filename().string()), std::string::npos)
        << forced.err;
    EXPECT_EQ(ReadFileBytes(privateCopies[0]), privateKey);
    EXPECT_EQ(ReadFileBytes(publicCopies[0]), publicKey);
    EXPECT_EQ(fs::status(privateCopies[0]).permissions() & (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
    EXPECT_NE(ReadFileBytes(work / "private.ecs"), privateKey);
}

TEST_F(WorkflowTest, UnsignedImageFailsTheSignatureCheck)
{
    WriteElfImage(image, ProtectableImage());
    SignImage();                               // writes public.ecs
    WriteElfImage(image, ProtectableImage());  // back to unsigned

    const auto verified = Utility({"verify", image.string()}, work.path());
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.err.find("verification failed: signature"), std::string::npos) << verified.err;
}

// protect goes on with an unsigned image, but says a device will refuse it;
// once the image is signed with the working directory's key it says nothing.
TEST_F(WorkflowTest, ProtectWarnsOnlyAboutAnUnsignedImage)
{
    WriteElfImage(image, ProtectableImage());
    const std::vector<std::string> protect{"protect", image.string(), "-o", output.string(), "--key-file", "-",
                                           "--hash", "ShareFunctionSection2"};
    const auto unsignedRun = Utility(protect, work.path(), KeyFor("128"));
    EXPECT_EQ(unsignedRun.status, 0) << unsignedRun.err;
    EXPECT_NE(unsignedRun.err.find("WARNING: " + image.string() + " is not signed with the key in " +
                                   (work / "public.ecs").string() + " ("),
              std::string::npos)
        << unsignedRun.err;
    EXPECT_TRUE(fs::exists(output));

    SignImage();
    const auto signedRun = Utility(protect, work.path(), KeyFor("128"));
    EXPECT_EQ(signedRun.status, 0) << signedRun.err;
    // Only the command line's own line of what was done, and to which file.
    EXPECT_EQ(signedRun.err, "Protected " + image.string() + " into " + output.string() +
                                 ": 0 section(s) encrypted with AES-128 CBC, 1 hashed.\n");
}

TEST_F(WorkflowTest, AnotherPublicKeyFailsTheSignatureCheck)
{
    WriteElfImage(image, ProtectableImage());
    SignImage();
    TempDir other;
    ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "generate", "--resign"}, other.path()).status, 0);
    SignImage(true);  // signs again with Pelora, the message as it stands

    EXPECT_EQ(Utility({"verify", image.string()}, work.path()).status, 0);
    const auto verified =
        Utility({"verify", image.string(), "--public-key", (other / "public.ecs").string()}, work.path());
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.out.find("failed  signature"), std::string::npos) << verified.out;
}

struct CipherCase {
    const char* keyLen;
    const char* mode;  // in any case
    std::uint32_t cipherChoice;
    bool keystreamReuse = false;  // ofb and ctr need --allow-keystream-reuse
};

void PrintTo(const CipherCase& c, std::ostream* os) { *os << c.mode << c.keyLen; }

class CipherWorkflowTest : public WorkflowTest, public ::testing::WithParamInterface<CipherCase> {};

TEST_P(CipherWorkflowTest, ProtectedImageVerifiesWithItsKeyOnly)
{
    const CipherCase c = GetParam();
    const ImageSpec spec = ProtectableImage();
    WriteElfImage(image, spec);
    SignImage();
    const Bytes signedImage = ReadFileBytes(image);

    std::vector<std::string> arguments{"protect", image.string(), "-o", output.string(), "--key-file", "-",
                                       "--key-len", c.keyLen, "--mode", c.mode, "--entry", "single", "--hash",
                                       "L1_Code_Hash", "--hash", "L2_Hash", "--aes", "L1_Code_Encrypt", "--aes",
                                       "L2_Encrypt", "--hash", "L2_Encrypt"};
    if (c.keystreamReuse)
        arguments.push_back("--allow-keystream-reuse");
    const auto protectedRun = Utility(arguments, work.path(), KeyFor(c.keyLen));
    ASSERT_EQ(protectedRun.status, 0) << protectedRun.err;
    EXPECT_EQ(ReadFileBytes(image), signedImage) << "protect changed its input";
    EXPECT_EQ(SectionBytes(output, "L2_Hash"), PatternBytes(64, 5)) << "a hashed section was changed";
    EXPECT_NE(SectionBytes(output, "L1_Code_Encrypt"), PatternBytes(48, 4)) << "not encrypted";
    const Bytes record = SectionBytes(output, "AESData");
    EXPECT_EQ(record.at(40), c.cipherChoice);
    EXPECT_EQ(record.at(36), 4 * 32) << "four entries";

    const auto verified =
        Utility({"verify", output.string(), "--key-file", "-", "--json"}, work.path(), KeyFor(c.keyLen));
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    const nlohmann::json report = nlohmann::json::parse(verified.out);
    EXPECT_EQ(report["verified"], true);
    std::vector<std::string> subjects;
    for (const auto& check : report["checks"]) {
        EXPECT_EQ(check["result"], "passed") << check["subject"] << ": " << check["detail"];
        subjects.push_back(check["subject"].get<std::string>());
    }
    EXPECT_EQ(subjects, (std::vector<std::string>{"signature", "AESData header", "AESData table",
                                                  "section L1_Code_Hash", "section L1_Code_Encrypt",
                                                  "section L2_Hash", "section L2_Encrypt"}));

    const auto wrongKey =
        Utility({"verify", output.string(), "--key-file", "-"}, work.path(), std::string(KeyFor(c.keyLen).size(), 'f'));
    EXPECT_EQ(wrongKey.status, 1);
    EXPECT_NE(wrongKey.err.find("verification failed: AESData table"), std::string::npos) << wrongKey.err;
}

INSTANTIATE_TEST_SUITE_P(KeyLengthsAndModes, CipherWorkflowTest,
                         ::testing::Values(CipherCase{"128", "cbc", 0x01}, CipherCase{"192", "ecb", 0x10},
                                           CipherCase{"256", "ofb", 0x22, true}, CipherCase{"128", "CTR", 0x03, true},
                                           CipherCase{"256", "CBC", 0x21}),
                         [](const auto& info) { return std::string(info.param.mode) + info.param.keyLen; });

TEST_F(WorkflowTest, ProtectInPlaceReplacesTheImageWithTheProtectedOne)
{
    WriteElfImage(image, ProtectableImage());
    SignImage();
    const auto protectedRun = Utility({"protect", image.string(), "-o", image.string(), "--key-file", "-", "--aes",
                                       "ShareFunctionSection1", "--hash", "ShareFunctionSection2"},
                                      work.path(), KeyFor("128"));
    ASSERT_EQ(protectedRun.status, 0) << protectedRun.err;
    EXPECT_NE(SectionBytes(image, "ShareFunctionSection1"), PatternBytes(32, 7));
    const auto verified = Utility({"verify", image.string(), "--key-file", "-"}, work.path(), KeyFor("128"));
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    // Nothing but the image and the key files: no working copy or temporary
    // file of the save is left behind.
    const std::set<std::string> expected{image.filename().string(), "public.ecs", "private.ecs", "signature.ecs"};
    for (const auto& entry : fs::directory_iterator(work.path()))
        EXPECT_TRUE(expected.count(entry.path().filename().string())) << entry.path();
}

TEST(ArmFirmwareWorkflowTest, SignProtectVerifyTheExampleImage)
{
    const std::string firmware = ArmFirmwarePath();
    if (firmware.empty())
        GTEST_SKIP() << "arm-none-eabi-gcc was not found when the build was configured";
    TempDir work;
    const fs::path image = work / "firmware.vnf";
    const fs::path output = work / "firmware-protected.vnf";
    fs::copy_file(firmware, image);

    const auto sections = Utility({"sections", image.string(), "--purpose", "practical", "--json"}, work.path());
    ASSERT_EQ(sections.status, 0) << sections.err;
    const nlohmann::json inventory = nlohmann::json::parse(sections.out);
    EXPECT_EQ(inventory["aesDataSize"], 512);
    std::map<std::string, std::uint32_t> sizes;
    for (const auto& section : inventory["sections"])
        sizes[section["name"].get<std::string>()] = section["size"];
    for (const char* name : {"L1_Code_Hash", "L1_Code_Encrypt", "L2_Hash", "L2_Encrypt", "ShareFunctionSection1",
                             "ShareFunctionSection2"}) {
        ASSERT_TRUE(sizes.count(name)) << name;
        EXPECT_GT(sizes[name], 0u) << name;
        EXPECT_EQ(sizes[name] % 16, 0u) << name;
    }

    ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path()).status, 0);
    const auto protectedRun = Utility(
        {"protect", image.string(), "-o", output.string(), "--key-file", "-", "--key-len", "192", "--mode", "cbc",
         "--purpose", "practical", "--hash", "L1_Code_Hash", "--hash", "L2_Hash", "--hash", "ShareFunctionSection1",
         "--aes", "L1_Code_Encrypt", "--aes", "L2_Encrypt", "--aes", "ShareFunctionSection2"},
        work.path(), KeyFor("192"));
    ASSERT_EQ(protectedRun.status, 0) << protectedRun.err;

    const auto verified =
        Utility({"verify", output.string(), "--key-file", "-", "--original", image.string(), "--json"}, work.path(),
                KeyFor("192"));
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    const nlohmann::json report = nlohmann::json::parse(verified.out);
    EXPECT_EQ(report["verified"], true);
    EXPECT_EQ(report["checks"].size(), 9u);  // signature, header, table, six sections

    FlipSectionByte(output, "L2_Encrypt", 5);
    const auto tampered = Utility({"verify", output.string(), "--key-file", "-"}, work.path(), KeyFor("192"));
    EXPECT_EQ(tampered.status, 1);
    EXPECT_NE(tampered.err.find("verification failed: section L2_Encrypt"), std::string::npos) << tampered.err;
}

// Sections larger than the memory the programs may take (ulimit -d: heap
// and private mappings, not the shared libraries), the signed message
// sections among them, sign, protect and verify against the original: their
// bytes are streamed, never held whole.
// The sanitizers reserve far more than the limit, so they skip it.
TEST_F(WorkflowTest, SectionLargerThanTheAllowedMemoryProtectsAndVerifies)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' shadow memory does not fit a data limit";
#endif
    constexpr std::size_t LimitKib = 16 * 1024;
    ImageSpec spec = ProtectableImage();
    spec.sections.push_back({"ShareFunctionSectionLarge", PatternBytes(24u << 20, 9), 1, 6, 0x10000000});
    for (auto& section : spec.sections)
        if (section.name == "msg_code" || section.name == "msg_data") {
            const bool code = section.name == "msg_code";
            section.bytes = PatternBytes(20u << 20, code ? 3 : 4);
            section.address = code ? 0x20000000 : 0x22000000;  // apart from the protected sections
        }
    WriteElfImage(image, spec);
    spec = {};
    const auto limited = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"/bin/sh", "-c",
                                             "ulimit -d " + std::to_string(LimitKib) + " && exec \"$@\"", "sh",
                                             (ToolsDir() / "vantrel-utility").string()});
        return RunProgram(arguments, Key.substr(0, 32), work.path());
    };
    const auto signedRun = limited({"sign", image.string(), "--key-pair", "pelora"});
    ASSERT_EQ(signedRun.status, 0) << signedRun.err;
    const auto protectedRun = limited({"protect", image.string(), "-o", output.string(), "--key-file", "-", "--aes",
                                       "ShareFunctionSectionLarge", "--hash", "ShareFunctionSection1"});
    ASSERT_EQ(protectedRun.status, 0) << protectedRun.err;
    const auto verified = limited({"verify", output.string(), "--key-file", "-", "--original", image.string()});
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_NE(verified.out.find("decrypts to the original's 25165824 bytes"), std::string::npos) << verified.out;
}

}  // namespace
}  // namespace vantrel::testing
