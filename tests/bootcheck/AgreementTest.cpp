// The boot check's host build on the images the suite protects, in every key
// length and mode, hash-only, with one entry and many, from the Entry
// choices single and multi: it passes where verify passes, and every section
// it decrypts in place equals the unprotected image's section.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "ElfImage.h"

namespace vantrel::testing {
namespace {

constexpr const char* Key256 = "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4";

struct ProtectCase {
    const char* name;
    const char* keyLen;
    const char* mode;
    std::vector<std::string> choices;  // --purpose/--entry and the ticked sections
};

void PrintTo(const ProtectCase& c, std::ostream* os) { *os << c.name; }

const std::vector<std::string> SixSections = {"--purpose", "practical", "--hash", "L1_Code_Hash", "--hash",
                                              "L2_Hash", "--hash", "ShareFunctionSection1", "--aes",
                                              "L1_Code_Encrypt", "--aes", "L2_Encrypt", "--aes",
                                              "ShareFunctionSection2"};

std::vector<ProtectCase> Cases()
{
    std::vector<ProtectCase> cases;
    for (const char* keyLen : {"128", "192", "256"})
        for (const char* mode : {"ecb", "cbc", "ofb", "ctr"})
            cases.push_back({"six", keyLen, mode, SixSections});
    cases.push_back({"hash_only", "256", "cbc", {"--purpose", "practical", "--hash", "L1_Code_Hash", "--hash", "L2_Hash"}});
    cases.push_back({"one_entry", "128", "ofb", {"--purpose", "practical", "--aes", "L2_Encrypt"}});
    cases.push_back({"entry_single", "192", "cbc",
                     {"--entry", "single", "--hash", "L1_Code_Hash", "--aes", "L1_Code_Encrypt", "--aes", "L2_Encrypt"}});
    cases.push_back({"entry_multi", "128", "ecb",
                     {"--entry", "multi", "--hash", "ShareFunctionSection1", "--aes", "ShareFunctionSection2"}});
    return cases;
}

std::vector<std::uint8_t> HexBytes(const std::string& hex)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

class BootcheckAgreement : public ::testing::TestWithParam<ProtectCase> {};

TEST_P(BootcheckAgreement, PassesWhereVerifyPassesAndDecryptsToTheOriginal)
{
    const ProtectCase c = GetParam();
    TempDir work;
    const auto image = work / "image.vnf", output = work / "protected.vnf";
    WriteElfImage(image, ProtectableImage());
    ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path()).status, 0);
    const std::string key = std::string(Key256).substr(0, std::stoul(c.keyLen) / 4);
    std::vector<std::string> protect = {"protect", image.string(), "-o", output.string(), "--key-file", "-",
                                        "--key-len", c.keyLen, "--mode", c.mode, "--allow-keystream-reuse"};
    protect.insert(protect.end(), c.choices.begin(), c.choices.end());
    const auto protectedRun = Utility(protect, work.path(), key);
    ASSERT_EQ(protectedRun.status, 0) << protectedRun.err;
    const auto verified = Utility({"verify", output.string(), "--key-file", "-"}, work.path(), key);
    ASSERT_EQ(verified.status, 0) << verified.err;

    // The public key in the form boot code compiles in.
    const auto exported = Utility({"keys", "export", "--format", "c"}, work.path());
    const auto publicKey = bootcheck_host::ParseKeyArray(exported.out);
    ASSERT_TRUE(publicKey && publicKey->size() == BOOTCHECK_PUBLIC_KEY_SIZE) << exported.out;

    std::string error;
    auto booted = bootcheck_host::ElfImage::Read(output.string(), error);
    auto original = bootcheck_host::ElfImage::Read(image.string(), error);
    ASSERT_TRUE(booted && original) << error;
    const auto untouched = *booted;
    const bootcheck_image view = booted->View();
    const auto aesKey = HexBytes(key);
    const bootcheck_keys keys{publicKey->data(), aesKey.data(), static_cast<std::uint32_t>(aesKey.size())};
    bootcheck_report report{};
    ASSERT_EQ(bootcheck_run(&view, &keys, &report), BOOTCHECK_PASSED) << bootcheck_result_name(report.result);

    std::uint32_t changed = 0;
    for (std::size_t i = 0; i < booted->sections.size(); ++i) {
        const auto& section = booted->sections[i];
        if (section.bytes == untouched.sections[i].bytes)
            continue;
        ++changed;
        EXPECT_EQ(section.bytes, original->Find(section.name)->bytes) << section.name << " decrypts wrongly";
    }
    EXPECT_EQ(changed, report.decrypted);
    EXPECT_EQ(report.hashed, report.entries);
}

INSTANTIATE_TEST_SUITE_P(Images, BootcheckAgreement, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                             return std::string(info.param.name) + "_" + info.param.keyLen + "_" + info.param.mode;
                         });

}  // namespace
}  // namespace vantrel::testing
