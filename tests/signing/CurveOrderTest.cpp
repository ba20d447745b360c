// One check of the curve's order for every command, and public keys outside
// the group of order q refused wherever they are read.
#include <gtest/gtest.h>

#include <openssl/obj_mac.h>

#include "ElfMaker.h"
#include "SigningTestSupport.h"
#include "signing/CurveChecks.h"
#include "signing/SignatureCheck.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

BignumPtr PowerOfTwo(int exponent, int plus = 0)
{
    BignumPtr number(BN_new());
    BN_set_bit(number.get(), exponent);
    BN_add_word(number.get(), static_cast<BN_ULONG>(plus));
    return number;
}

const std::string TooShort = "signing needs at least 160, as the whole SHA-1 digest is the message integer";
const std::string TooLong = "has more than 192 bits, but digital_signature holds r and s in 24 bytes each";
const std::string Cofactor = "is smaller than 2^(m-2), so the curve's cofactor would be larger than 4";

TEST(CurveOrder, HasOneHundredSixtyToOneHundredNinetyTwoBitsAndACofactorOfAtMostFour)
{
    const struct {
        int m;
        int qBit;  // q = 2^qBit + 1, of qBit + 1 bits
        std::string message;
    } cases[] = {
        {163, 158, TooShort}, {163, 159, Cofactor}, {163, 161, ""},       {191, 191, ""},
        {193, 192, TooLong},  {170, 159, Cofactor}, {170, 167, Cofactor}, {170, 168, ""},
    };
    for (const auto& c : cases) {
        CurveParameters parameters;
        parameters.m = c.m;
        parameters.q = PowerOfTwo(c.qBit, 1);
        const Status checked = CheckCurveOrder(parameters);
        EXPECT_EQ(checked.ok(), c.message.empty()) << c.m << " " << c.qBit;
        EXPECT_NE(checked.message().find(c.message), std::string::npos) << checked.message();
    }
}

// keys generate, keys import and sign refuse the same curves with the same
// message, before any file changes.
TEST(CurveOrder, EveryCommandRefusesTheSameCurves)
{
    const std::string program = (testing::ToolsDir() / "vantrel-utility").string();
    for (const auto& [nid, message] : {std::pair{NID_sect113r1, TooShort}, std::pair{NID_sect233k1, TooLong}}) {
        const testing::ToolDirectory tools(testing::CurveFileText(nid));
        testing::TempDir work;
        testing::WriteElfImage(work / "image.vnf", testing::SampleImage());
        ASSERT_EQ(testing::RunProgram({"/usr/bin/openssl", "ecparam", "-name", OBJ_nid2sn(nid), "-genkey", "-noout",
                                       "-out", "key.pem"},
                                      {}, work.path())
                      .status,
                  0);
        const auto before = testing::FileNamesIn(work.path());
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"keys", "generate", "--out", "."}, {"keys", "import", "key.pem"},
              {"sign", "image.vnf", "--key-pair", "generate"}}) {
            std::vector<std::string> argv{program};
            argv.insert(argv.end(), command.begin(), command.end());
            argv.insert(argv.end(), {"--tool-dir", tools.path()});
            const testing::ProgramResult run = testing::RunProgram(argv, {}, work.path());
            EXPECT_EQ(run.status, 1) << command[0] << " " << command[1];
            EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
            EXPECT_EQ(testing::FileNamesIn(work.path()), before);
        }
    }
}

// On sect163k1 (cofactor 2) the point (0, 1) lies on the curve with order 2:
// no public key. verify's check refuses it.
TEST(CurveOrder, APublicKeyOutsideTheGroupOfOrderQIsRefused)
{
    testing::TempDir work;
    testing::WriteFileText(work / "public.ecs", "0 1\n");
    std::string detail;
    const SignatureInputs inputs{(testing::ToolsDir() / "ecc_koblitz.ecs").string(), (work / "public.ecs").string(),
                                 std::vector<std::uint8_t>(48, 1), Sha1Digest{1, 2, 3}};
    EXPECT_FALSE(CheckSignature(inputs, detail));
    EXPECT_NE(detail.find("holds a point outside the group of order q"), std::string::npos) << detail;
}

}  // namespace
}  // namespace vantrel
