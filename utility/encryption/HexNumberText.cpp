#include "encryption/HexNumberText.h"

#include <cstddef>

namespace vantrel {

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

std::uint32_t ReadHexNumber(const std::string& text)
{
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    // "0x" counts as a prefix only when a digit follows it; otherwise the
    // "0" is the number.
    if (at + 2 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')
        && HexDigitValue(text[at + 2]) >= 0)
        at += 2;
    std::uint64_t value = 0;
    for (; at < text.size() && HexDigitValue(text[at]) >= 0; ++at) {
        value = value * 16 + static_cast<std::uint64_t>(HexDigitValue(text[at]));
        if (value > 0xFFFFFFFFu)
            return 0xFFFFFFFFu;
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

}  // namespace vantrel
