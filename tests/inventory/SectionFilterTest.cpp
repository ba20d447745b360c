#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "inventory/SectionFilter.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

// Whether a name passes under Demonstration+Multi, Demonstration+Single and
// Practical use (either Entry).
struct NameCase {
    std::string name;
    bool multi;
    bool single;
    bool practical;
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class PurposeAndEntry : public ::testing::TestWithParam<NameCase> {};

TEST_P(PurposeAndEntry, KeepsTheNamesOfTheTable)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(PassesPurposeAndEntry(c.name, Purpose::Demonstration, Entry::Multi), c.multi);
    EXPECT_EQ(PassesPurposeAndEntry(c.name, Purpose::Demonstration, Entry::Single), c.single);
    EXPECT_EQ(PassesPurposeAndEntry(c.name, Purpose::PracticalUse, Entry::Multi), c.practical);
    EXPECT_EQ(PassesPurposeAndEntry(c.name, Purpose::PracticalUse, Entry::Single), c.practical);
}

INSTANTIATE_TEST_SUITE_P(
    Names, PurposeAndEntry,
    ::testing::Values(NameCase{"ShareFunction", false, false, true},
                      NameCase{"ShareFunctionSectio", false, false, true},
                      NameCase{"ShareFunctionSection", true, false, true},
                      NameCase{"ShareFunctionSectionX", true, false, true},
                      NameCase{"shareFunctionSection", false, false, true},
                      NameCase{"xShareFunctionSection", false, false, true},
                      NameCase{"L1_Code_Hash", false, true, true}, NameCase{"L1_Code_Encrypt", false, true, true},
                      NameCase{"L2_Hash", false, true, true}, NameCase{"L2_Encrypt", false, true, true},
                      NameCase{"L2_hash", false, false, true}, NameCase{"L2_Hash2", false, false, true},
                      NameCase{"'L2_Hash'", false, false, true}, NameCase{"", false, false, true}));

TEST(ReservedSectionName, ExactlyTheSixNames)
{
    for (const char* name : {"msg_code", "msg_data", "digital_signature", "AESData", "AesDataBuffer",
                             "AESBufferForL1Code"})
        EXPECT_TRUE(IsReservedSectionName(name)) << name;
    for (const char* name : {"msg_code2", "MSG_CODE", "aesdata", "AESDat", ""})
        EXPECT_FALSE(IsReservedSectionName(name)) << name;
}

SectionRecord Record(const std::string& type, const std::string& flags, const std::string& size)
{
    SectionRecord record;
    record.name = "ShareFunctionSection";
    record.typeText = type;
    record.flagsText = flags;
    record.sizeText = size;
    return record;
}

TEST(ContentTest, NeedsFlagsContentsAndSize)
{
    EXPECT_TRUE(PassesContentTest(Record("progbits", "0x00000002", "0x00000004")));
    EXPECT_FALSE(PassesContentTest(Record("progbits", "0x00000000", "0x00000004")));
    EXPECT_FALSE(PassesContentTest(Record("nobits", "0x00000003", "0x00000004")));
    EXPECT_TRUE(PassesContentTest(Record("NOBITS", "0x00000003", "0x00000004")));
    EXPECT_FALSE(PassesContentTest(Record("progbits", "0x00000002", "0x00000000")));
    EXPECT_FALSE(PassesContentTest(Record("progbits", "WA", "0x00000004")));
    EXPECT_FALSE(PassesContentTest(Record("progbits", "0x00000002", "size")));
}

TEST(KeepsSection, ReservedNamesNeverPassEvenUnderPracticalUse)
{
    SectionRecord record = Record("progbits", "0x00000002", "0x00000004");
    record.name = "digital_signature";
    EXPECT_FALSE(KeepsSection(record, Purpose::PracticalUse, Entry::Multi));
    record.name = "other";
    EXPECT_TRUE(KeepsSection(record, Purpose::PracticalUse, Entry::Multi));
    EXPECT_FALSE(KeepsSection(record, Purpose::Demonstration, Entry::Multi));
}

}  // namespace
}  // namespace vantrel
