#include <gtest/gtest.h>

#include <string>

#include "encryption/AesKeyText.h"
#include "VecFile.h"

namespace vantrel::testing {
namespace {

std::string KeyHex(const std::string& text, int keyLength)
{
    const SecretBytes key = AesKeyFromText(text, keyLength);
    EXPECT_EQ(key.size(), static_cast<std::size_t>(keyLength));
    return HexText(Bytes(key.begin(), key.end()));
}

struct KeyCase {
    const char* what;
    std::string text;
    int keyLength;
    std::string expected;
};

TEST(AesKeyText, MakesTheKeyAsARightAlignedNumber)
{
    const std::string digits40 = "00112233445566778899aabbccddeeff01234567";
    const std::string digits33 = "123456789abcdef0123456789abcdef0f";
    const KeyCase cases[] = {
        {"empty text, 128", "", 16, std::string(32, '0')},
        {"empty text, 256", "", 32, std::string(64, '0')},
        {"three digits, 128", "abc", 16, std::string(28, '0') + "0abc"},
        {"one digit, 192", "7", 24, std::string(47, '0') + "7"},
        {"33 characters, 128: a 0 in front, the last one dropped", digits33, 16,
         "0" + digits33.substr(0, 31)},
        {"40 characters, 128: the first 32", digits40, 16, digits40.substr(0, 32)},
        {"40 characters, 192: the first 40 right-aligned", digits40, 24, "00000000" + digits40},
        {"exactly 64 digits, 256", digits40 + "0123456789abcdef01234567", 32,
         digits40 + "0123456789abcdef01234567"},
        {"upper case", "ABCDEF", 16, std::string(26, '0') + "abcdef"},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(KeyHex(c.text, c.keyLength), c.expected);
    }
}

TEST(AesKeyText, UpperAndLowerCaseGiveTheSameKey)
{
    EXPECT_EQ(KeyHex("2B7E151628AED2A6ABF7158809CF4F3C", 16), KeyHex("2b7e151628aed2a6abf7158809cf4f3c", 16));
    EXPECT_EQ(KeyHex("2B7E151628AED2A6ABF7158809CF4F3C", 16), "2b7e151628aed2a6abf7158809cf4f3c");
}

TEST(AesKeyText, OnlyHexadecimalDigitsAreAKey)
{
    const std::pair<std::string, bool> cases[] = {
        {"", true},
        {"0123456789abcdefABCDEF", true},
        {"12g4", false},
        {" 1234", false},
        {"1234 ", false},
        {"1234\n", false},
        {"0x1234", false},
        {"12-34", false},
        {"\xc3\xa4", false},
        {std::string("12\0" "34", 5), false},
    };
    for (const auto& [text, hex] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(IsHexKeyText(text), hex);
    }
}

}  // namespace
}  // namespace vantrel::testing
