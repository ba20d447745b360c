#include "inventory/NumberText.h"

#include <limits>

namespace vantrel {

namespace {

bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Skips white space and an optional sign; true when the sign was a minus.
bool SkipBlanksAndSign(std::string_view& text)
{
    while (!text.empty() && IsWhiteSpace(text.front()))
        text.remove_prefix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    return negative;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::int32_t ReadDecimalNumber(std::string_view text)
{
    const bool negative = SkipBlanksAndSign(text);
    // Accumulate the magnitude, stopping at the limit so nothing overflows.
    const std::uint64_t limit = negative ? 0x80000000u : 0x7fffffffu;
    std::uint64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > limit)
            magnitude = limit + 1;
    }
    if (magnitude > limit)
        return negative ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                              : static_cast<std::int64_t>(magnitude));
}

std::uint32_t ReadHexNumber(std::string_view text)
{
    const bool negative = SkipBlanksAndSign(text);
    // "0x" counts as a prefix only when a hexadecimal digit follows it;
    // otherwise the "0" is the number.
    if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && HexDigitValue(text[2]) >= 0)
        text.remove_prefix(2);
    std::uint64_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            break;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xffffffffu)
            return 0xffffffffu;
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

}  // namespace vantrel
