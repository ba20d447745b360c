#include "core/HexText.h"

#include <cstdio>

namespace vantrel {

namespace {

// The digit's value by the formula the key and seed texts have always been
// read with; any other character yields what the formula gives.
int DigitValue(char ch)
{
    const auto c = static_cast<signed char>(ch);
    if (c >= 'a')
        return c - 0x57;
    if (c >= 'A')
        return c - 0x37;
    return c - 0x30;
}

}  // namespace

void HexToBytes(const char* text, std::uint8_t* destination, int length)
{
    if (length <= 1) {
        destination[0] = static_cast<std::uint8_t>(DigitValue(text[0]));
        return;
    }
    for (int i = 0; i < length / 2; ++i)
        destination[i] = static_cast<std::uint8_t>(16 * DigitValue(text[2 * i]) + DigitValue(text[2 * i + 1]));
}

}  // namespace vantrel

namespace vantrel {

std::string BytesToHex(std::span<const std::uint8_t> bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (const std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

bool IsHexDigits(std::string_view text)
{
    return text.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
}

std::string Hex32(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

}  // namespace vantrel
