#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "inventory/SectionListing.h"

namespace vantrel {
namespace {

using Views = std::vector<std::string_view>;

const std::string Heading = "File: a.vnf\nClass: ELF32\nMachine: 40\nSection headers: 4\nNames: 3\nLegend\nColumns\n";

TEST(ListingLines, NonEmptyPiecesBetweenLineEnds)
{
    EXPECT_EQ(ListingLines("a\n\n\nb c\r\n\nd"), (Views{"a", "b c\r", "d"}));
    EXPECT_EQ(ListingLines("\n\n"), Views{});
}

TEST(ListingTokens, CutAtRunsOfSlashBlankAndColon)
{
    EXPECT_EQ(ListingTokens("  1 progbits/0x6::x  'L2_Hash' "), (Views{"1", "progbits", "0x6", "x", "'L2_Hash'"}));
    EXPECT_EQ(ListingTokens("a\tb"), Views{"a\tb"});
    EXPECT_EQ(ListingTokens(" /: "), Views{});
}

TEST(SectionRecordFromTokens, FillsTheRecordFromTheTokens)
{
    const auto tokens =
        ListingTokens("5 progbits 0x00000006 0x08001000 0x00000134 0x00000010 AX 3 -2 4 12x 'L1_Code_Hash'");
    const SectionRecord record = SectionRecordFromTokens(tokens);
    EXPECT_EQ(record.name, "L1_Code_Hash");
    EXPECT_EQ(record.typeText, "progbits");
    EXPECT_EQ(record.flagsText, "0x00000006");
    EXPECT_EQ(record.addressText, "0x08001000");
    EXPECT_EQ(record.column4Text, "0x00000134");
    EXPECT_EQ(record.sizeText, "0x00000010");
    EXPECT_EQ(record.column7, 3);
    EXPECT_EQ(record.column8, -2);
    EXPECT_EQ(record.column9, 4);
    EXPECT_EQ(record.column10, 12);
    EXPECT_EQ(record.aesSelected, 0);
    EXPECT_EQ(record.digest, Sha1Digest{});
}

TEST(SectionRecordFromTokens, NameDropsApostrophesAndTurnsEscapesBackIntoBytes)
{
    // The listing token of a name, and the name it stands for.
    const std::pair<std::string, std::string> cases[] = {
        {"'it''s'", "its"}, {"'Share\\xc3\\xa9'", "Share\xc3\xa9"}, {"'\\x4'", "\\x4"},
        {"'a\\x2fb\\x3Ac\\x27d\\x5c\\x20e'", "a/b:c'd\\ e"}, {"'\\xg1\\X41'", "\\xg1\\X41"}};
    for (const auto& [token, name] : cases) {
        const std::string line = "1 progbits 0x2 0x0 0x34 0x4 A 0 0 1 0 " + token;
        EXPECT_EQ(SectionRecordFromTokens(ListingTokens(line)).name, name) << token;
    }
}

TEST(ParseSectionListing, SkipsTheSevenHeadingLinesAndShortLines)
{
    const std::string listing = Heading +
                                "0 null 0x00000000 0x00000000 0x00000000 0x00000000 - 0 0 0 0 ''\n"
                                "1 progbits 0x00000002 0x00001000 0x00000034 0x00000008 A 0 0 1 0 'one'\n"
                                "a stray line of text\n\n"
                                "2 progbits 0x00000002 0x00002000 0x0000003c 0x00000004 A 0 0 1 0 'two' extra\n";
    const auto records = ParseSectionListing(listing);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "");
    EXPECT_EQ(records[1].name, "one");
    EXPECT_EQ(records[2].name, "two");
    EXPECT_EQ(records[2].addressText, "0x00002000");
}

TEST(ParseSectionListing, HeadingOnlyOrAnErrorLineGivesNoRecords)
{
    EXPECT_TRUE(ParseSectionListing(Heading).empty());
    EXPECT_TRUE(ParseSectionListing("ERROR: 'x.vnf' is not an ELF file\n").empty());
    EXPECT_TRUE(ParseSectionListing("").empty());
}

TEST(ParseSectionListing, EmptyLinesInTheHeadingDoNotCount)
{
    // Runs of line ends count as one: the seventh heading line is "Columns".
    const std::string listing = "\n\nFile\n\nClass\nMachine\nCount\nNames\nLegend\nColumns\n"
                                "1 progbits 0x2 0x0 0x34 0x4 A 0 0 1 0 'kept'\n";
    const auto records = ParseSectionListing(listing);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, "kept");
}

}  // namespace
}  // namespace vantrel
