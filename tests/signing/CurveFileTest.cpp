#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <openssl/obj_mac.h>
#include <openssl/objects.h>

#include "SigningTestSupport.h"
#include "signing/BasePoint.h"
#include "signing/CurveFile.h"

namespace vantrel {
namespace {

using testing::Hex;

const std::string K163Fields[9] = {"163", "1", "1", "4000000000000000000020108A2E0CC0D99F8A5EF",
                                   "2FE13C0537BBC11ACAA07D793DE4E6D5E5C94EEE8",
                                   "289070FB05D38FF58321F2E800536D538CCDAA3D9", "7", "6", "3"};

std::string Join(const std::string (&fields)[9], const std::string& separator)
{
    std::string text;
    for (const std::string& field : fields)
        text += field + separator;
    return text;
}

std::string K163(int index, const std::string& replacement)
{
    std::string fields[9];
    std::copy(std::begin(K163Fields), std::end(K163Fields), fields);
    fields[index] = replacement;
    return Join(fields, " ");
}

Outcome<Curve> Load(const std::string& text)
{
    std::istringstream in(text);
    return LoadCurve(in);
}

std::string Lowercase(std::string text)
{
    for (char& ch : text)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

void ExpectK163(const Outcome<Curve>& curve)
{
    ASSERT_TRUE(curve.ok()) << curve.message();
    const CurveParameters& p = curve.value().parameters;
    EXPECT_EQ(p.m, 163);
    EXPECT_EQ(Hex(p.A.get()), "01");
    EXPECT_EQ(Hex(p.B.get()), "01");
    EXPECT_EQ(Hex(p.q.get()), "04000000000000000000020108A2E0CC0D99F8A5EF");
    EXPECT_EQ(Hex(p.x.get()), "02FE13C0537BBC11ACAA07D793DE4E6D5E5C94EEE8");
    EXPECT_EQ(Hex(p.y.get()), "0289070FB05D38FF58321F2E800536D538CCDAA3D9");
    EXPECT_EQ(p.a, 7);
    EXPECT_EQ(p.b, 6);
    EXPECT_EQ(p.c, 3);
    // The field polynomial t^163 + t^7 + t^6 + t^3 + 1.
    BignumPtr polynomial(BN_new()), a(BN_new()), b(BN_new());
    ASSERT_TRUE(EC_GROUP_get_curve(curve.value().group.get(), polynomial.get(), a.get(), b.get(), nullptr));
    EXPECT_EQ(Hex(polynomial.get()), "0800000000000000000000000000000000000000C9");
}

TEST(LoadCurve, ReadsTheFieldsFromOneLine)
{
    ExpectK163(Load(Join(K163Fields, " ")));
}

TEST(LoadCurve, ReadsTheFieldsFromNineLines)
{
    ExpectK163(Load(Join(K163Fields, "\n")));
}

TEST(LoadCurve, ReadsLowercaseDigitsLikeUppercase)
{
    ExpectK163(Load(Lowercase(Join(K163Fields, "\t"))));
}

TEST(LoadCurve, ReadsTheLastExponentUpToTheEndOfTheFile)
{
    ExpectK163(Load(Join(K163Fields, " ").substr(0, Join(K163Fields, " ").size() - 1)));
}

TEST(LoadCurve, ShippedCurveFileIsNistK163)
{
    std::ifstream shipped(testing::ToolsDir() / "ecc_koblitz.ecs");
    ExpectK163(LoadCurve(shipped));
    EXPECT_EQ(testing::ReadFileText(testing::ToolsDir() / "ecc_koblitz.ecs"),
              Join(K163Fields, " ").substr(0, Join(K163Fields, " ").size() - 1) + "\n");
    // The same curve as the library's own sect163k1.
    Outcome<Curve> fromLibrary = Load(testing::CurveFileText(NID_sect163k1));
    ExpectK163(fromLibrary);
}

// Every binary-field curve the library knows loads: their degrees include
// primes and composites (c2pnb208w1: 208 = 2^4 * 13, c2pnb368w1).
TEST(LoadCurve, LoadsEveryBinaryCurveOfTheLibrary)
{
    std::vector<EC_builtin_curve> curves(EC_get_builtin_curves(nullptr, 0));
    EC_get_builtin_curves(curves.data(), curves.size());
    int binary = 0;
    for (const EC_builtin_curve& builtin : curves) {
        EcGroupPtr group(EC_GROUP_new_by_curve_name(builtin.nid));
        if (!group || EC_GROUP_get_field_type(group.get()) != NID_X9_62_characteristic_two_field)
            continue;
        ++binary;
        const Outcome<Curve> curve = Load(testing::CurveFileText(builtin.nid));
        EXPECT_TRUE(curve.ok()) << OBJ_nid2sn(builtin.nid) << ": " << curve.message();
    }
    EXPECT_GE(binary, 20);
}

TEST(LoadCurve, TrinomialWhenBIsZero)
{
    // sect233k1: t^233 + t^74 + 1; c is not needed and may be missing.
    std::string text = testing::CurveFileText(NID_sect233k1);
    ASSERT_EQ(text.substr(text.size() - 8), " 74 0 0\n");
    text = text.substr(0, text.size() - 3) + "\n";
    Outcome<Curve> curve = Load(text);
    ASSERT_TRUE(curve.ok()) << curve.message();
    BignumPtr polynomial(BN_new()), a(BN_new()), b(BN_new());
    ASSERT_TRUE(EC_GROUP_get_curve(curve.value().group.get(), polynomial.get(), a.get(), b.get(), nullptr));
    int bitsSet = 0;
    for (int bit = 0; bit < BN_num_bits(polynomial.get()); ++bit)
        bitsSet += BN_is_bit_set(polynomial.get(), bit);
    EXPECT_EQ(BN_num_bits(polynomial.get()), 234);
    EXPECT_TRUE(BN_is_bit_set(polynomial.get(), 74));
    EXPECT_TRUE(BN_is_bit_set(polynomial.get(), 0));
    EXPECT_EQ(bitsSet, 3);
    // It reads; its order, 232 bits, is more than signing takes.
    BnCtxPtr context(BN_CTX_new());
    EXPECT_EQ(SetUpBasePoint(curve.value(), context.get()).message(),
              "Problem - the order q in ecc_koblitz.ecs has more than 192 bits, but digital_signature holds r and s "
              "in 24 bytes each");
}

const std::string NoPoint = "Problem - no (x,y) point, may be missing ecc_koblitz.ecs";
const std::string NoExponents =
    "Problem - ecc_koblitz.ecs ends before the exponents a, b, c of the reduction polynomial, or they are not "
    "decimal numbers";

std::string BasisProblem(const std::string& m, const std::string& a, const std::string& b, const std::string& c)
{
    return "Problem - the exponents in ecc_koblitz.ecs (m = " + m + ", a = " + a + ", b = " + b + ", c = " + c +
           ") form no usable reduction polynomial: need 661 >= m > a > b > c > 0, or m > a > 0 with b = 0";
}

struct MalformedCase {
    std::string name;
    std::string text;
    std::string message;
};
void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }

class MalformedCurveFile : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedCurveFile, FailsWithItsMessage)
{
    Outcome<Curve> curve = Load(GetParam().text);
    ASSERT_FALSE(curve.ok());
    EXPECT_EQ(curve.message(), GetParam().message);
}

const std::string AllButExponents = K163Fields[0] + " " + K163Fields[1] + " " + K163Fields[2] + " " +
                                    K163Fields[3] + " " + K163Fields[4] + " " + K163Fields[5];

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedCurveFile,
    ::testing::Values(
        MalformedCase{"Empty", "", NoPoint},
        MalformedCase{"XZero", K163(4, "0"), NoPoint},
        MalformedCase{"YZero", K163(5, "000"), NoPoint},
        MalformedCase{"YRunsToTheEnd", AllButExponents, NoPoint},
        MalformedCase{"ExponentsMissing", AllButExponents + "\n", NoExponents},
        MalformedCase{"CMissing", AllButExponents + " 7 6\n", NoExponents},
        MalformedCase{"ExponentNotDecimal", K163(6, "x7"), NoExponents},
        MalformedCase{"HexPrefix", K163(3, "0x4000000000000000000020108A2E0CC0D99F8A5EF"),
                      "Problem - ecc_koblitz.ecs: the number q is not hexadecimal digits alone (write it without "
                      "a \"0x\" prefix)"},
        MalformedCase{"NotHex", K163(2, "1G"),
                      "Problem - ecc_koblitz.ecs: the number B is not hexadecimal digits alone (write it without "
                      "a \"0x\" prefix)"},
        MalformedCase{"TooLong", K163(1, std::string(1025, '1')),
                      "Problem - ecc_koblitz.ecs: the number A is longer than 1024 characters"},
        MalformedCase{"AAtLeastM", K163(6, "163"), BasisProblem("163", "163", "6", "3")},
        MalformedCase{"AZero", K163(6, "0"), BasisProblem("163", "0", "6", "3")},
        MalformedCase{"BAtLeastA", K163(7, "7"), BasisProblem("163", "7", "7", "3")},
        MalformedCase{"CAtLeastB", K163(8, "6"), BasisProblem("163", "7", "6", "6")},
        MalformedCase{"CZero", K163(8, "0"), BasisProblem("163", "7", "6", "0")},
        MalformedCase{"MZero", K163(0, "0"), BasisProblem("0", "7", "6", "3")},
        MalformedCase{"MTooLarge", K163(0, "662"), BasisProblem("662", "7", "6", "3")},
        MalformedCase{"ReducibleBasis", K163(8, "2"),
                      "Problem - the reduction polynomial of ecc_koblitz.ecs (m = 163, a = 7, b = 6, c = 2) is "
                      "not irreducible, so GF(2^m) is not a field"},
        MalformedCase{"ReducibleTrinomial", "32 1 0 7 1 1 1 0",
                      "Problem - the reduction polynomial of ecc_koblitz.ecs (m = 32, a = 1, b = 0, c = 0) is "
                      "not irreducible, so GF(2^m) is not a field"},
        MalformedCase{"BZero", K163(2, "0"), "Problem - B in ecc_koblitz.ecs is 0, so the curve is singular"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

TEST(LoadCurve, MissingFileGivesTheNoPointMessage)
{
    std::ifstream missing("/nonexistent/ecc_koblitz.ecs");
    Outcome<Curve> curve = LoadCurve(missing);
    ASSERT_FALSE(curve.ok());
    EXPECT_EQ(curve.message(), NoPoint);
}

struct BasePointCase {
    std::string name;
    int field;
    std::string value;
    std::string message;
};
void PrintTo(const BasePointCase& c, std::ostream* os) { *os << c.name; }

class BadBasePoint : public ::testing::TestWithParam<BasePointCase> {};

TEST_P(BadBasePoint, IsRefusedWithItsMessage)
{
    Outcome<Curve> curve = Load(K163(GetParam().field, GetParam().value));
    ASSERT_TRUE(curve.ok()) << curve.message();
    BnCtxPtr context(BN_CTX_new());
    Outcome<Done> basePoint = SetUpBasePoint(curve.value(), context.get());
    ASSERT_FALSE(basePoint.ok());
    EXPECT_EQ(basePoint.message(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadBasePoint,
    ::testing::Values(
        BasePointCase{"YChanged", 5, "289070FB05D38FF58321F2E800536D538CCDAA3D8",
                      "Problem - point (x,y) is not on the curve"},
        BasePointCase{"BChanged", 2, "3", "Problem - point (x,y) is not on the curve"},
        BasePointCase{"QPlusTwo", 3, "4000000000000000000020108A2E0CC0D99F8A5F1",
                      "Problem - point (x,y) is not of order q"},
        BasePointCase{"QOne", 3, "1", "Problem - point (x,y) is not of order q"},
        BasePointCase{"QZero", 3, "0", "Problem - point (x,y) is not of order q"}),
    [](const ::testing::TestParamInfo<BasePointCase>& info) { return info.param.name; });

}  // namespace
}  // namespace vantrel
