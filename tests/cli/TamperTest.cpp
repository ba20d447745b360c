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

class TamperTest : public ::testing::TestWithParam<TamperCase> {
protected:
    TempDir work;
    std::filesystem::path image = work / "image.vnf";
    std::filesystem::path output = work / "protected.vnf";

    void SetUp() override
    {
        WriteElfImage(image, ProtectableImage());
        ASSERT_EQ(Utility({"sign", image.string()}, work.path()).status, 0);
        const auto run = Utility({"protect", image.string(), "-o", output.string(), "--key", Key, "--purpose",
                                  "practical", "--aes", "L1_Code_Encrypt", "--hash", "L2_Hash", "--aes",
                                  "ShareFunctionSection1"},
                                 work.path());
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(Utility({"verify", output.string(), "--key", Key}, work.path()).status, 0);
    }
};

TEST_P(TamperTest, VerifyFailsNamingTheAlteredPart)
{
    const TamperCase c = GetParam();
    FlipSectionByte(output, c.section, c.offset);

    const auto verified = Utility({"verify", output.string(), "--key", Key, "--json"}, work.path());
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

TEST(TamperKeyTest, AKeyOfTheWrongLengthIsNamed)
{
    TempDir work;
    const auto image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    ASSERT_EQ(Utility({"sign", image.string()}, work.path()).status, 0);
    ASSERT_EQ(Utility({"protect", image.string(), "-o", image.string(), "--key", Key, "--hash",
                       "ShareFunctionSection2"},
                      work.path())
                  .status,
              0);
    // 128-bit record, 48 digits given: refused rather than cut to 32.
    const auto verified = Utility({"verify", image.string(), "--key", std::string(Key) + "0011223344556677"},
                                  work.path());
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.err.find("verification failed: AESData key"), std::string::npos) << verified.err;
}

}  // namespace
}  // namespace vantrel::testing
