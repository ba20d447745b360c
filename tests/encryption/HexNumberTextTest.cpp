#include <gtest/gtest.h>

#include "encryption/HexNumberText.h"

namespace vantrel {
namespace {

TEST(HexNumberText, ReadsListingNumbers)
{
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"0x20001000", 0x20001000u},
        {"0X00000040", 0x40u},
        {"ffffffff", 0xFFFFFFFFu},
        {"  0x1A2b", 0x1A2Bu},
        {"10 20", 0x10u},
        {"0x", 0u},
        {"0xg", 0u},
        {"", 0u},
        {"zz", 0u},
        {"+0x10", 0x10u},
        {"-1", 0xFFFFFFFFu},
        {"123456789", 0xFFFFFFFFu},
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadHexNumber(text), value);
    }
}

}  // namespace
}  // namespace vantrel
