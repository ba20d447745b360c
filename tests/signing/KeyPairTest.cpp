#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include <openssl/obj_mac.h>

#include "SigningTestSupport.h"
#include "signing/BigNumberText.h"
#include "signing/KeyPair.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using testing::HexNumber;
using testing::ReadFileText;
using testing::WriteFileText;

const std::string PeloraPublic = "41FBC28C91D3C6736F5B957B01D4501549FD82281 45E137B1227FB2D84B67491B1212837A7E03A14EE";
const std::string PeloraPrivate = "2D93929D23393BF31D7C711119255F283E2DD8DC8";

// Runs GenerateKeyPair and returns what it wrote to standard output.
std::string Generate(testing::SigningBench& bench, int& result)
{
    ::testing::internal::CaptureStdout();
    result = GenerateKeyPair(bench.state, bench.ui);
    return ::testing::internal::GetCapturedStdout();
}

// The public point of private.ecs, computed by the library's named curve.
std::string PublicKeyOf(const std::string& privateText)
{
    EcGroupPtr group(EC_GROUP_new_by_curve_name(NID_sect163k1));
    EcPointPtr point(EC_POINT_new(group.get()));
    BignumPtr x(BN_new()), y(BN_new());
    EXPECT_TRUE(EC_POINT_mul(group.get(), point.get(), HexNumber(privateText.substr(0, privateText.size() - 1)).get(),
                             nullptr, nullptr, nullptr));
    EXPECT_TRUE(EC_POINT_get_affine_coordinates(group.get(), point.get(), x.get(), y.get(), nullptr));
    return BigNumberHex(x.get()) + " " + BigNumberHex(y.get());
}

TEST(GenerateKeyPair, DefaultDoesNothing)
{
    testing::SigningBench bench;
    bench.ui.keyPair = KeyPairIndex::Default;
    bench.state.toolDirectory = "/nonexistent";  // not even the curve is read
    int result = -2;
    EXPECT_EQ(Generate(bench, result), "");
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(bench.ui.messages.empty());
    EXPECT_TRUE(fs::is_empty(bench.dir.path()));
}

TEST(GenerateKeyPair, PeloraWritesTheKnownKeyPairAndPrintsOnlyThePublicKey)
{
    testing::SigningBench bench;
    bench.ui.keyPair = KeyPairIndex::Pelora;
    for (int run = 0; run < 2; ++run) {
        int result = -2;
        EXPECT_EQ(Generate(bench, result), "public key = " + PeloraPublic + "\n");
        EXPECT_EQ(result, 0);
        EXPECT_EQ(ReadFileText("public.ecs"), PeloraPublic + "\n");
        EXPECT_EQ(ReadFileText("private.ecs"), PeloraPrivate + "\n");
    }
    EXPECT_TRUE(bench.ui.messages.empty());
    EXPECT_EQ(fs::status("private.ecs").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(GenerateKeyPair, GenerateMakesAFreshValidKeyPairEachTime)
{
    testing::SigningBench bench;
    bench.ui.keyPair = KeyPairIndex::Generate;
    std::string privateKeys[2];
    for (std::string& privateKey : privateKeys) {
        int result = -2;
        const std::string printed = Generate(bench, result);
        ASSERT_EQ(result, 0) << bench.ui.lastMessage();
        privateKey = ReadFileText("private.ecs");
        const std::string publicKey = ReadFileText("public.ecs");
        EXPECT_EQ(publicKey, PublicKeyOf(privateKey) + "\n");
        EXPECT_EQ(printed, "public key = " + publicKey);
        EXPECT_EQ(printed.find(privateKey.substr(0, privateKey.size() - 1)), std::string::npos);
        EXPECT_NE(privateKey, PeloraPrivate + "\n");
    }
    EXPECT_NE(privateKeys[0], privateKeys[1]);
    EXPECT_EQ(fs::status("private.ecs").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

struct BadCurveCase {
    std::string name;
    std::string curveText;  // empty: no curve file at all
    std::string message;
};

class GenerateKeyPairFailure : public ::testing::TestWithParam<BadCurveCase> {};

TEST_P(GenerateKeyPairFailure, ShowsTheMessageAndKeepsTheKeyFiles)
{
    testing::SigningBench bench;
    const testing::ToolDirectory tools(GetParam().curveText);
    if (GetParam().curveText.empty())
        fs::remove(fs::path(tools.path()) / "ecc_koblitz.ecs");
    bench.state.toolDirectory = tools.path();
    WriteFileText("public.ecs", "1 2\n");
    WriteFileText("private.ecs", "3\n");
    for (int keyPair : {KeyPairIndex::Pelora, KeyPairIndex::Generate}) {
        bench.ui.keyPair = keyPair;
        bench.ui.messages.clear();
        int result = 0;
        EXPECT_EQ(Generate(bench, result), "");
        EXPECT_EQ(result, -1);
        EXPECT_EQ(bench.ui.messages, std::vector<std::string>{GetParam().message});
        EXPECT_EQ(ReadFileText("public.ecs"), "1 2\n");
        EXPECT_EQ(ReadFileText("private.ecs"), "3\n");
    }
}

const std::string K163Start = "163 1 1 ";
const std::string K163Point = " 2FE13C0537BBC11ACAA07D793DE4E6D5E5C94EEE8 289070FB05D38FF58321F2E800536D538CCDAA3D9 7 6 3\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, GenerateKeyPairFailure,
    ::testing::Values(
        BadCurveCase{"NoCurveFile", "", "Problem - no (x,y) point, may be missing ecc_koblitz.ecs"},
        BadCurveCase{"NotOnCurve",
                     "163 1 1 4000000000000000000020108A2E0CC0D99F8A5EF 2FE13C0537BBC11ACAA07D793DE4E6D5E5C94EEE8 "
                     "289070FB05D38FF58321F2E800536D538CCDAA3D8 7 6 3\n",
                     "Problem - point (x,y) is not on the curve"},
        BadCurveCase{"NotOfOrderQ", K163Start + "4000000000000000000020108A2E0CC0D99F8A5ED" + K163Point,
                     "Problem - point (x,y) is not of order q"},
        BadCurveCase{"HexPrefix", K163Start + "0x4000000000000000000020108A2E0CC0D99F8A5EF" + K163Point,
                     "Problem - ecc_koblitz.ecs: the number q is not hexadecimal digits alone (write it without a "
                     "\"0x\" prefix)"}),
    [](const ::testing::TestParamInfo<BadCurveCase>& info) { return info.param.name; });

}  // namespace
}  // namespace vantrel
