#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/HexText.h"

namespace vantrel {
namespace {

struct HexCase {
    std::string text;
    int length;
    std::vector<std::uint8_t> bytes;  // the bytes written; the rest stay 0xEE
};
// Test names show the text and the length, not the object's memory.
void PrintTo(const HexCase& c, std::ostream* os) { *os << '"' << c.text << "\" " << c.length; }

class HexToBytesTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexToBytesTest, DecodesTwoDigitsPerByteHighDigitFirst)
{
    const HexCase& c = GetParam();
    std::array<std::uint8_t, 8> destination;
    destination.fill(0xEE);
    HexToBytes(c.text.c_str(), destination.data(), c.length);
    for (std::size_t i = 0; i < destination.size(); ++i) {
        const std::uint8_t expected = i < c.bytes.size() ? c.bytes[i] : 0xEE;
        EXPECT_EQ(destination[i], expected) << "byte " << i << " of '" << c.text << "' length " << c.length;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexToBytesTest,
    ::testing::Values(HexCase{"0aF3", 4, {0x0A, 0xF3}},
                      HexCase{"abc", 3, {0xAB}},              // an odd last digit is ignored
                      HexCase{"7a3e91c4", 8, {0x7A, 0x3E, 0x91, 0xC4}},
                      HexCase{"FFff00", 6, {0xFF, 0xFF, 0x00}},
                      HexCase{"7", 1, {0x07}},                // one digit: its value alone
                      HexCase{"c", 0, {0x0C}},                // length 0 reads the first digit too
                      HexCase{"7a3e", 2, {0x7A}},             // only length characters are used
                      HexCase{"g0", 2, {0x00}},               // no validation: 'g' - 0x57 = 16
                      HexCase{"0z", 2, {0x23}}));             // 'z' - 0x57 = 35

}  // namespace
}  // namespace vantrel
