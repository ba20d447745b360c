// One changed byte anywhere the protection covers makes verify fail and name
// what failed; the other checks still pass.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

constexpr const char* Key = "2b7e151628aed2a6abf7158809cf4f3c";

struct TamperCase {
    const char* section;
    std::size_t offset;
    const char* failedSubject;
};

void PrintTo(const TamperCase& c, std::ostream* os) { *os << c.section << "+" << c.offset; }

// A signed image and its protected copy (two sections encrypted, one hashed).
class ProtectedImage : public ::testing::Test {
protected:
    TempDir work;
    std::filesystem::path image = work / "image.vnf";
    std::filesystem::path output = work / "protected.vnf";

    void SetUp() override
    {
        WriteElfImage(image, ProtectableImage());
        ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path()).status, 0);
        const auto run = Utility({"protect", image.string(), "-o", output.string(), "--key-file", "-", "--purpose",
                                  "practical", "--aes", "L1_Code_Encrypt", "--hash", "L2_Hash", "--aes",
                                  "ShareFunctionSection1"},
                                 work.path(), Key);
        ASSERT_EQ(run.status, 0) << run.err;
    }

    ProgramResult Verify(std::vector<std::string> options)
    {
        options.insert(options.begin(), {"verify", output.string(), "--key-file", "-"});
        return Utility(options, work.path(), Key);
    }
};

class TamperTest : public ProtectedImage, public ::testing::WithParamInterface<TamperCase> {};

TEST_P(TamperTest, VerifyFailsNamingTheAlteredPart)
{
    const TamperCase c = GetParam();
    ASSERT_EQ(Verify({}).status, 0);
    FlipSectionByte(output, c.section, c.offset);

    const auto verified = Verify({"--json"});
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.err.find(std::string("verification failed: ") + c.failedSubject), std::string::npos)
        << verified.err;
    const nlohmann::json report = nlohmann::json::parse(verified.out);
    EXPECT_EQ(report["verified"], false);
    int failures = 0;
    for (const auto& check : report["checks"]) {
        if (check["result"] != "failed")
            continue;
        ++failures;
        EXPECT_EQ(check["subject"], c.failedSubject) << check["detail"];
    }
    EXPECT_EQ(failures, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, TamperTest,
    ::testing::Values(TamperCase{"L1_Code_Encrypt", 0, "section L1_Code_Encrypt"},
                      TamperCase{"L1_Code_Encrypt", 47, "section L1_Code_Encrypt"},
                      TamperCase{"L2_Hash", 63, "section L2_Hash"},
                      TamperCase{"ShareFunctionSection1", 17, "section ShareFunctionSection1"},
                      TamperCase{"AESData", 3, "AESData table"},         // the IV
                      TamperCase{"AESData", 20, "AESData table"},        // tableDigest
                      TamperCase{"AESData", 44 + 70, "AESData table"},   // the encrypted table
                      TamperCase{"AESData", 40, "AESData header"},       // cipherChoice
                      TamperCase{"digital_signature", 0, "signature"},   // r
                      TamperCase{"digital_signature", 30, "signature"},  // s
                      TamperCase{"msg_data", 9, "signature"}),           // the signed message
    [](const auto& info) { return std::string(info.param.section) + "_" + std::to_string(info.param.offset); });

// verify reads sections by name; the target reads the entry's addresses. A
// second section of a hashed section's name, holding its untouched bytes
// elsewhere, must not stand in for the tampered one at the entry's address.
TEST_F(ProtectedImage, ASectionNameThatIsNotUniqueIsRefused)
{
    ImageSpec spec = ProtectableImage();
    for (SectionSpec& section : spec.sections)
        section.bytes = SectionBytes(output, section.name);
    const SectionSpec alias{"L2_Hash", SectionBytes(output, "L2_Hash"), 1, 2, 0x08000800};
    for (SectionSpec& section : spec.sections)
        if (section.name == "L2_Hash")
            section.bytes.at(5) ^= 0xFF;
    spec.sections.insert(spec.sections.begin(), alias);
    WriteElfImage(output, spec);

    const auto verified = Verify({});
    EXPECT_EQ(verified.status, 1);
    EXPECT_EQ(verified.err, "ERROR: verification failed: section L2_Hash\n");
    EXPECT_NE(verified.out.find("more than one section is named L2_Hash, so the bytes at 0x08000450 cannot be "
                                "read by name"),
              std::string::npos)
        << verified.out;
}

TEST_F(ProtectedImage, AKeyOfAnotherLengthIsNamed)
{
    // 128-bit record, 48 digits given: refused rather than cut to 32.
    const auto verified = Utility({"verify", output.string(), "--key-file", "-"}, work.path(),
                                  std::string(Key) + "0011223344556677");
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.err.find("verification failed: AESData key"), std::string::npos) << verified.err;
}

// The record's digests cannot tell a wrong encryption from a right one: only
// the original image can, section by section.
TEST_F(ProtectedImage, TheOriginalCatchesASectionThatDecryptsToOtherBytes)
{
    const auto unchecked = Verify({});
    EXPECT_EQ(unchecked.status, 0) << unchecked.out << unchecked.err;
    EXPECT_EQ(unchecked.out.find("decrypts"), std::string::npos) << unchecked.out;

    const auto compared = Verify({"--original", image.string()});
    EXPECT_EQ(compared.status, 0) << compared.out << compared.err;
    EXPECT_NE(compared.out.find("section L1_Code_Encrypt         encrypted, digest matches, decrypts to the "
                                "original's 48 bytes\n"),
              std::string::npos)
        << compared.out;

    const auto other = work / "other.vnf";
    std::filesystem::copy_file(image, other);
    FlipSectionByte(other, "L1_Code_Encrypt", 5);
    const auto differing = Verify({"--original", other.string()});
    EXPECT_EQ(differing.status, 1);
    EXPECT_EQ(differing.err, "ERROR: verification failed: section L1_Code_Encrypt\n");
    EXPECT_NE(differing.out.find("decrypts to bytes that differ from section L1_Code_Encrypt of the original " +
                                 other.string() + " from byte 5 on"),
              std::string::npos)
        << differing.out;
}

}  // namespace
}  // namespace vantrel::testing
