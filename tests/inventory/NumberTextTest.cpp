#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "inventory/NumberText.h"

namespace vantrel {
namespace {

struct DecimalCase {
    std::string text;
    std::int32_t value;
};

void PrintTo(const DecimalCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class ReadDecimal : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ReadDecimal, ReadsLeadingDigits)
{
    EXPECT_EQ(ReadDecimalNumber(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadDecimal,
                         ::testing::Values(DecimalCase{"0", 0}, DecimalCase{"4", 4}, DecimalCase{"123", 123},
                                           DecimalCase{"  \t42", 42}, DecimalCase{"+7", 7}, DecimalCase{"-7", -7},
                                           DecimalCase{"12abc", 12}, DecimalCase{"0x10", 0}, DecimalCase{"", 0},
                                           DecimalCase{"abc", 0}, DecimalCase{"-", 0}, DecimalCase{"'3'", 0},
                                           DecimalCase{"2147483647", 2147483647},
                                           DecimalCase{"2147483648", 2147483647},
                                           DecimalCase{"-2147483648", -2147483647 - 1},
                                           DecimalCase{"99999999999999999999", 2147483647}));

struct HexCase {
    std::string text;
    std::uint32_t value;
};

void PrintTo(const HexCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }

class ReadHex : public ::testing::TestWithParam<HexCase> {};

TEST_P(ReadHex, ReadsLeadingHexDigits)
{
    EXPECT_EQ(ReadHexNumber(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadHex,
    ::testing::Values(HexCase{"0x00000010", 0x10}, HexCase{"0X1F", 0x1f}, HexCase{"1f", 0x1f},
                      HexCase{"aBcD", 0xabcd}, HexCase{"  0x20", 0x20}, HexCase{"+0x20", 0x20},
                      HexCase{"-0x1", 0xffffffffu}, HexCase{"0x", 0}, HexCase{"0xg1", 0}, HexCase{"", 0},
                      HexCase{"WA", 0}, HexCase{"-", 0}, HexCase{"10zz", 0x10}, HexCase{"0x0x5", 0},
                      HexCase{"0xffffffff", 0xffffffffu}, HexCase{"0x100000000", 0xffffffffu},
                      HexCase{"00000000000000012", 0x12}));

}  // namespace
}  // namespace vantrel
