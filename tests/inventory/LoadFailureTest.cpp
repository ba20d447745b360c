// Load with fake tools: what it shows and what it leaves when a tool is
// missing, silent, slow, says too much or too little, or fails.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "FakeTool.h"
#include "FakeUserInterface.h"
#include "TestSupport.h"
#include "inventory/Load.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

const std::string Heading =
    "File: image.vnf\nClass: ELF32, little endian\nMachine: 40\nSection headers: 5\n"
    "Section name table: section 5\nFlag letters\nColumns: INDEX TYPE FLAGS ADDR OFFSET SIZE\n";

// A (4 bytes), AESData (noted, never kept), B (8 bytes), C (4 bytes).
const std::string Sections =
    "0 null 0x00000000 0x00000000 0x00000000 0x00000000 - 0 0 0 0 ''\n"
    "1 progbits 0x00000006 0x00001000 0x00000034 0x00000004 AX 0 0 1 0 'ShareFunctionSectionA'\n"
    "2 progbits 0x00000002 0x00002000 0x00000038 0x000000ac A 0 0 1 0 'AESData'\n"
    "3 progbits 0x00000006 0x00003000 0x000000e4 0x00000008 AX 0 0 1 0 'ShareFunctionSectionB'\n"
    "4 progbits 0x00000006 0x00004000 0x000000ec 0x00000004 AX 0 0 1 0 'ShareFunctionSectionC'\n";

const std::string SectionError = "Section: ShareFunctionSectionB error. Please check your memory sections.\n";

class LoadFailureTest : public ::testing::Test {
protected:
    LoadFailureTest()
    {
        state.toolDirectory = tools.path().string();
        ui.image = (tools / "image.vnf").string();
        ui.purpose = PurposeIndex::Demonstration;
        ui.entry = EntryIndex::Multi;
        // What an earlier Load of another image left.
        state.loadedImagePath = "/earlier/image.vnf";
        state.aesDataSize = 99;
        state.sectionTable.push_back(SectionRecord{});
        ui.rows.InsertItem(0, "");
        ui.rows.SetCheckbox(0, 0, 1);
    }

    void ListingTool(const std::string& body) { WriteFakeTool(tools.path(), "scnlist", body); }

    // A listing tool that prints text (kept in a file beside it).
    void ListingText(const std::string& text)
    {
        WriteFileText(tools / "listing.txt", text);
        ListingTool("cat \"$(dirname \"$0\")/listing.txt\"");
    }

    // A section tool giving A and C correctly and B as bodyForB says.
    void SectionTool(const std::string& bodyForB)
    {
        WriteFakeTool(tools.path(), "sectmend",
                      "case \"$2\" in\n"
                      "ShareFunctionSectionA) printf 01ab00ff ;;\n"
                      "ShareFunctionSectionB) " + bodyForB + " ;;\n"
                      "ShareFunctionSectionC) printf 0a0b0c0d ;;\n"
                      "*) echo \"ERROR: $2 section does not exist.\" >&2; exit 1 ;;\n"
                      "esac");
    }

    std::vector<std::string> RowNames() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < ui.rows.GetItemCount(); ++row)
            names.push_back(ui.rows.GetItemText(row, 2));
        return names;
    }

    std::vector<std::string> RecordNames() const
    {
        std::vector<std::string> names;
        for (const SectionRecord& record : state.sectionTable)
            names.push_back(record.name);
        return names;
    }

    // The listing did not come through: nothing of any image is left.
    void ExpectEmptyInventory(const std::string& message)
    {
        EXPECT_EQ(ui.messages, std::vector<std::string>{message});
        EXPECT_EQ(ui.rows.GetItemCount(), 0);
        EXPECT_TRUE(state.sectionTable.empty());
        EXPECT_EQ(state.aesDataSize, 0u);
        EXPECT_EQ(state.loadedImagePath, ui.image);
    }

    TempDir tools;
    DialogState state;
    FakeUserInterface ui;
};

TEST_F(LoadFailureTest, EmptyImagePathChangesNothing)
{
    ui.image.clear();
    ListingText(Heading + Sections);
    SectionTool("printf 0102030405060708");
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Please input binary file"});
    EXPECT_EQ(ui.rows.GetItemCount(), 1);
    EXPECT_EQ(ui.rows.GetItemCheckedState(0, 0), 1);
    EXPECT_EQ(state.sectionTable.size(), 1u);
    EXPECT_EQ(state.aesDataSize, 99u);
    EXPECT_EQ(state.loadedImagePath, "/earlier/image.vnf");
}

TEST_F(LoadFailureTest, GivesTheToolsTheirArgumentsOneEach)
{
    ui.image = (tools / "my image's \"copy\".vnf").string();
    WriteFileText(tools / "listing.txt", Heading + Sections);
    ListingTool("printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/scnlist.args\"\ncat \"$(dirname \"$0\")/listing.txt\"");
    WriteFakeTool(tools.path(), "sectmend",
                  "printf '%s\\n' \"$@\" >> \"$(dirname \"$0\")/sectmend.args\"\n"
                  "case \"$2\" in ShareFunctionSectionB) printf 0102030405060708 ;; *) printf 01020304 ;; esac");
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
    EXPECT_EQ(ReadFileText(tools / "scnlist.args"), "-sh\n" + ui.image + "\n");
    std::string expected;
    for (const char* name : {"ShareFunctionSectionA", "ShareFunctionSectionB", "ShareFunctionSectionC"})
        expected += std::string("-get\n") + name + "\n-text\n" + ui.image + "\n";
    EXPECT_EQ(ReadFileText(tools / "sectmend.args"), expected);
}

TEST_F(LoadFailureTest, AllSectionsReadWhenEveryToolAnswers)
{
    ListingText(Heading + Sections);
    SectionTool("printf 0102030405060708");
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"ShareFunctionSectionA", "ShareFunctionSectionB",
                                                    "ShareFunctionSectionC"}));
    ASSERT_EQ(RecordNames(), RowNames());
    EXPECT_EQ(state.sectionTable[0].contentText, "01ab00ff\n");
    EXPECT_EQ(state.sectionTable[1].contentText, "0102030405060708\n");
    EXPECT_EQ(state.sectionTable[2].contentText, "0a0b0c0d\n");
    EXPECT_EQ(state.aesDataSize, 0xacu);
    EXPECT_EQ(ui.rows.GetItemCheckedState(0, 0), 0);
}

TEST_F(LoadFailureTest, MissingListingTool)
{
    SectionTool("printf 0102030405060708");
    OnLoad(state, ui);
    ExpectEmptyInventory("popen error");
}

TEST_F(LoadFailureTest, SilentListingTool)
{
    ListingTool("exec sleep 30");
    OnLoad(state, ui);
    ExpectEmptyInventory("Section header dump error. \n");
}

TEST_F(LoadFailureTest, ListingToolPausingLongerThanAPoll)
{
    WriteFileText(tools / "listing.txt", Heading + Sections);
    ListingTool("head -n 8 \"$(dirname \"$0\")/listing.txt\"; sleep 1; cat \"$(dirname \"$0\")/listing.txt\"");
    SectionTool("printf 0102030405060708");
    OnLoad(state, ui);
    ExpectEmptyInventory("Section header dump error. \n");
}

TEST_F(LoadFailureTest, ListingToolReportingAnErrorShowsItsLine)
{
    ListingTool("echo \"ERROR: 'image.vnf' is not an ELF file\" >&2; exit 1");
    OnLoad(state, ui);
    ExpectEmptyInventory("Section header dump error. \nERROR: 'image.vnf' is not an ELF file\n");
}

TEST_F(LoadFailureTest, ListingToolFailingHalfWayShowsItsErrorLine)
{
    WriteFileText(tools / "listing.txt", Heading + Sections);
    ListingTool("head -n 9 \"$(dirname \"$0\")/listing.txt\"\n"
                "echo \"ERROR: 'image.vnf' has an unreadable section header 3\" >&2; exit 1");
    SectionTool("printf 0102030405060708");
    OnLoad(state, ui);
    ExpectEmptyInventory("Section header dump error. \nERROR: 'image.vnf' has an unreadable section header 3\n");
}

TEST_F(LoadFailureTest, ListingToolFailingSilently)
{
    ListingText(Heading + Sections + "garbage\n");
    WriteFakeTool(tools.path(), "scnlist", "cat \"$(dirname \"$0\")/listing.txt\"; exit 2");
    SectionTool("printf 0102030405060708");
    OnLoad(state, ui);
    ExpectEmptyInventory("Section header dump error. \n");
}

TEST_F(LoadFailureTest, SlowListingIsReadToItsEnd)
{
    // Short reads come long before the end; the whole listing still counts.
    WriteFileText(tools / "listing.txt", Heading + Sections);
    ListingTool("cd \"$(dirname \"$0\")\"\nhead -n 3 listing.txt; sleep 0.1; head -n 9 listing.txt | tail -n 6;"
                " sleep 0.1; tail -n 3 listing.txt");
    SectionTool("printf 0102030405060708");
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
    EXPECT_EQ(RecordNames(), (std::vector<std::string>{"ShareFunctionSectionA", "ShareFunctionSectionB",
                                                       "ShareFunctionSectionC"}));
    EXPECT_EQ(state.aesDataSize, 0xacu);
}

TEST_F(LoadFailureTest, HeadingOnlyGivesNoRowsAndNoMessage)
{
    ListingText(Heading);
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
    EXPECT_EQ(ui.rows.GetItemCount(), 0);
    EXPECT_TRUE(state.sectionTable.empty());
    EXPECT_EQ(state.aesDataSize, 0u);
}

struct SectionFailure {
    const char* label;
    std::string bodyForB;
    std::string message;
};

void PrintTo(const SectionFailure& failure, std::ostream* out) { *out << failure.label; }

class LoadSectionFailure : public LoadFailureTest, public ::testing::WithParamInterface<SectionFailure> {};

TEST_P(LoadSectionFailure, ShowsTheMessageAndKeepsTheRowsReadSoFar)
{
    ListingText(Heading + Sections);
    SectionTool(GetParam().bodyForB);
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{GetParam().message});
    // B's row stays as the last row, without a record; C is never reached.
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"ShareFunctionSectionA", "ShareFunctionSectionB"}));
    ASSERT_EQ(RecordNames(), std::vector<std::string>{"ShareFunctionSectionA"});
    EXPECT_EQ(state.sectionTable[0].contentText, "01ab00ff\n");
    EXPECT_EQ(state.aesDataSize, 0xacu);
    EXPECT_EQ(state.loadedImagePath, ui.image);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadSectionFailure,
    ::testing::Values(
        SectionFailure{"Silent", "exec sleep 30", SectionError},
        SectionFailure{"PausesLongerThanAPoll", "printf 0102; sleep 1; printf 030405060708", SectionError},
        SectionFailure{"ExitsAtOnce", "exit 0", "Pipe error\n"},
        SectionFailure{"TooLittleText", "printf 010203", "Pipe error\n"},
        SectionFailure{"TooMuchText", "printf 010203040506; sleep 0.1; printf 0708090a", "Pipe error\n"},
        SectionFailure{"FailsAfterItsText", "printf 0102030405060708; exit 1", SectionError},
        SectionFailure{"ErrorTextOfTheRightLength", "echo 'ERROR: no such!' >&2; exit 1", SectionError},
        SectionFailure{"TextThatIsNotHex", "printf '0102 304-5060xyz'", SectionError}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(LoadFailureTest, MissingSectionToolFailsAtTheFirstKeptSection)
{
    ListingText(Heading + Sections);
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Section: ShareFunctionSectionA error. Please check your memory sections.\n"});
    EXPECT_EQ(RowNames(), std::vector<std::string>{"ShareFunctionSectionA"});
    EXPECT_TRUE(state.sectionTable.empty());
}

struct SectionSuccess {
    const char* label;
    std::string bodyForB;
};

void PrintTo(const SectionSuccess& success, std::ostream* out) { *out << success.label; }

class LoadSectionSuccess : public LoadFailureTest, public ::testing::WithParamInterface<SectionSuccess> {};

TEST_P(LoadSectionSuccess, TakesExactlyTwiceTheSizeInDigits)
{
    ListingText(Heading + Sections);
    SectionTool(GetParam().bodyForB);
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{});
    ASSERT_EQ(state.sectionTable.size(), 3u);
    EXPECT_EQ(state.sectionTable[1].contentText, "0102030405060708\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadSectionSuccess,
    ::testing::Values(SectionSuccess{"SlowText", "printf 0102; sleep 0.1; printf 0304; sleep 0.1; printf 05060708"},
                      SectionSuccess{"TextBeyondTheSizeInTheSameWrite", "printf '0102030405060708 and more\\n'"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(LoadFailureTest, AesDataAfterAFailingSectionIsNotReached)
{
    const std::string reordered =
        "1 progbits 0x00000006 0x00003000 0x000000e4 0x00000008 AX 0 0 1 0 'ShareFunctionSectionB'\n"
        "2 progbits 0x00000002 0x00002000 0x00000038 0x000000ac A 0 0 1 0 'AESData'\n";
    ListingText(Heading + reordered);
    SectionTool("exit 0");
    OnLoad(state, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Pipe error\n"});
    EXPECT_EQ(RowNames(), std::vector<std::string>{"ShareFunctionSectionB"});
    EXPECT_TRUE(state.sectionTable.empty());
    EXPECT_EQ(state.aesDataSize, 0u);
}

}  // namespace
}  // namespace vantrel::testing
