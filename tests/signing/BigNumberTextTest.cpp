#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "SigningTestSupport.h"
#include "signing/BigNumberText.h"

namespace vantrel {
namespace {

using testing::Hex;
using testing::HexNumber;

TEST(BigNumberHex, IsUppercaseWithoutPrefixOrLeadingZeros)
{
    EXPECT_EQ(BigNumberHex(HexNumber("09A4D6792295A7F730FC3F2B49CBC0F62E862272F").get()),
              "9A4D6792295A7F730FC3F2B49CBC0F62E862272F");
    EXPECT_EQ(BigNumberHex(HexNumber("abcdef").get()), "ABCDEF");
    EXPECT_EQ(BigNumberHex(HexNumber("5").get()), "5");
    EXPECT_EQ(BigNumberHex(HexNumber("0").get()), "0");
    EXPECT_EQ(BigNumberHex(HexNumber("100").get()), "100");
}

struct ReadCase {
    std::string text;
    std::string expected;  // hexadecimal value, or "" when a problem is expected
    TokenProblem problem;
};
void PrintTo(const ReadCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.text.substr(0, 24)); }

class ReadBigNumberTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadBigNumberTest, FollowsTheFileReadingRule)
{
    const ReadCase& c = GetParam();
    std::istringstream in(c.text);
    BigNumberRead read = ReadBigNumber(in);
    EXPECT_EQ(read.problem, c.problem) << c.text;
    if (c.problem == TokenProblem::None) {
        EXPECT_EQ(Hex(read.value.get()), c.expected) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadBigNumberTest,
    ::testing::Values(ReadCase{"1A2b\n", "1A2B", TokenProblem::None},
                      ReadCase{"  ff 12", "FF", TokenProblem::None},
                      ReadCase{"1A2B", "0", TokenProblem::None},        // digits to the very end read as zero
                      ReadCase{"", "0", TokenProblem::None},            // an exhausted stream reads as zero
                      ReadCase{"0x1A2B\n", "", TokenProblem::NotHexadecimal},
                      ReadCase{"-5\n", "", TokenProblem::NotHexadecimal},
                      ReadCase{"12G4\n", "", TokenProblem::NotHexadecimal},
                      ReadCase{std::string(1024, 'F') + "\n", std::string(1024, 'F'), TokenProblem::None},
                      ReadCase{std::string(1025, 'F') + "\n", "", TokenProblem::TooLong},
                      ReadCase{std::string(1025, 'F'), "", TokenProblem::TooLong}));  // also at the very end

}  // namespace
}  // namespace vantrel
