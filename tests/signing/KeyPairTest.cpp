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

const std::vector<std::string> KeyFileNames = {"private.ecs", "public.ecs"};

struct Made {
    Status status;
    std::vector<std::string> reported;  // the progress lines
};

// Runs MakeKeyPair in the working directory; the core prints nothing.
// allowReplace answers the question asked before another pair is replaced.
Made Make(const std::string& toolDirectory, KeyPairSource source, bool allowReplace = false)
{
    std::vector<std::string> reported;
    ::testing::internal::CaptureStdout();
    KeyPairRequest request{toolDirectory, source, {}, [&](const std::string&) { return allowReplace; },
                           [&](const std::string& line) { reported.push_back(line); }};
    Status status = MakeKeyPair(request);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    return {std::move(status), std::move(reported)};
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

TEST(MakeKeyPair, PeloraWritesTheKnownKeyPairAndReportsOnlyThePublicKey)
{
    testing::SigningBench bench;
    for (int run = 0; run < 2; ++run) {
        const Made made = Make(bench.state.toolDirectory, KeyPairSource::Pelora);
        ASSERT_TRUE(made.status.ok()) << made.status.message();
        EXPECT_EQ(made.reported, std::vector<std::string>{"public key = " + PeloraPublic});
        EXPECT_EQ(ReadFileText("public.ecs"), PeloraPublic + "\n");
        EXPECT_EQ(ReadFileText("private.ecs"), PeloraPrivate + "\n");
        EXPECT_EQ(testing::FileNamesIn(bench.dir.path()), KeyFileNames);
    }
}

TEST(MakeKeyPair, GenerateMakesAFreshValidKeyPairAndKeepsTheOneItReplaces)
{
    testing::SigningBench bench;
    std::string privateKeys[2];
    for (std::string& privateKey : privateKeys) {
        const Made made = Make(bench.state.toolDirectory, KeyPairSource::Generate, true);
        ASSERT_TRUE(made.status.ok()) << made.status.message();
        privateKey = ReadFileText("private.ecs");
        const std::string publicKey = ReadFileText("public.ecs");
        EXPECT_EQ(publicKey, PublicKeyOf(privateKey) + "\n");
        EXPECT_EQ(made.reported.back(), "public key = " + PublicKeyOf(privateKey));
        EXPECT_NE(privateKey, PeloraPrivate + "\n");
    }
    EXPECT_NE(privateKeys[0], privateKeys[1]);
    // The first pair stands beside, dated, readable by its owner only.
    const std::vector<std::string> names = testing::FileNamesIn(bench.dir.path());
    ASSERT_EQ(names.size(), 4u);
    for (const std::string& name : names) {
        if (name.rfind("private-", 0) == 0) {
            EXPECT_EQ(ReadFileText(name), privateKeys[0]);
            EXPECT_EQ(fs::status(name).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
        }
    }
}

TEST(MakeKeyPair, AnotherPairIsNeverReplacedWithoutConsent)
{
    testing::SigningBench bench;
    ASSERT_TRUE(Make(bench.state.toolDirectory, KeyPairSource::Generate).status.ok());
    const std::string privateKey = ReadFileText("private.ecs"), publicKey = ReadFileText("public.ecs");
    for (const KeyPairSource source : {KeyPairSource::Generate, KeyPairSource::Pelora}) {
        const Made made = Make(bench.state.toolDirectory, source);
        ASSERT_FALSE(made.status.ok());
        EXPECT_EQ(made.status.message().rfind("private.ecs and public.ecs hold another key pair and were not replaced",
                                              0),
                  0u)
            << made.status.message();
        EXPECT_EQ(ReadFileText("private.ecs"), privateKey);
        EXPECT_EQ(ReadFileText("public.ecs"), publicKey);
        EXPECT_EQ(testing::FileNamesIn(bench.dir.path()), KeyFileNames);
    }
}

struct BadCurveCase {
    std::string name;
    std::string curveText;  // empty: no curve file at all
    std::string message;
};
void PrintTo(const BadCurveCase& c, std::ostream* os) { *os << c.name; }

class MakeKeyPairFailure : public ::testing::TestWithParam<BadCurveCase> {};

TEST_P(MakeKeyPairFailure, GivesTheMessageAndKeepsTheKeyFiles)
{
    testing::SigningBench bench;
    const testing::ToolDirectory tools(GetParam().curveText);
    if (GetParam().curveText.empty())
        fs::remove(fs::path(tools.path()) / "ecc_koblitz.ecs");
    WriteFileText("public.ecs", "1 2\n");
    WriteFileText("private.ecs", "3\n");
    for (KeyPairSource source : {KeyPairSource::Pelora, KeyPairSource::Generate}) {
        const Made made = Make(tools.path(), source);
        EXPECT_FALSE(made.status.ok());
        EXPECT_EQ(made.status.message(), GetParam().message);
        EXPECT_TRUE(made.reported.empty());
        EXPECT_EQ(ReadFileText("public.ecs"), "1 2\n");
        EXPECT_EQ(ReadFileText("private.ecs"), "3\n");
        EXPECT_EQ(testing::FileNamesIn(bench.dir.path()), KeyFileNames);
    }
}

const std::string K163Start = "163 1 1 ";
const std::string K163Point = " 2FE13C0537BBC11ACAA07D793DE4E6D5E5C94EEE8 289070FB05D38FF58321F2E800536D538CCDAA3D9 7 6 3\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeKeyPairFailure,
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
