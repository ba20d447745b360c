// Load with fake tools: what the user sees when a tool is missing, silent,
// endless, says too much or too little, or fails; a failed Load leaves an
// empty list and no inventory.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "FakeTool.h"
#include "FakeUserInterface.h"
#include "TestSupport.h"
#include "buttons/Buttons.h"

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

// B's eight bytes, written where sectmend -get writes them.
const std::string EightBytes = "printf '\\001\\002\\003\\004\\005\\006\\007\\010' > \"$4\"";

class LoadFailureTest : public ::testing::Test {
protected:
    LoadFailureTest()
    {
        state.toolDirectory = tools.path().string();
        ui.image = "image (1).vnf";
        // What an earlier Load of another image left.
        state.inventory = earlier;
        ui.rows.InsertItem(0, "");
        ui.rows.SetCheckbox(0, 0, 1);
    }

    // A listing tool that prints text (kept in a file beside it), then body.
    void ListingText(const std::string& text, const std::string& body = {})
    {
        WriteFileText(tools / "listing.txt", text);
        WriteFakeTool(tools.path(), "scnlist", "cat \"$(dirname \"$0\")/listing.txt\"\n" + body);
    }

    // A section tool giving A and C correctly and B as bodyForB says. It
    // writes the bytes into the file after -o ($4), as sectmend -get does.
    void SectionTool(const std::string& bodyForB)
    {
        WriteFakeTool(tools.path(), "sectmend",
                      "case \"$2\" in\n"
                      "ShareFunctionSectionA) printf '\\001\\253\\000\\377' > \"$4\" ;;\n"
                      "ShareFunctionSectionB) " + bodyForB + " ;;\n"
                      "ShareFunctionSectionC) printf '\\012\\013\\014\\015' > \"$4\" ;;\n"
                      "*) echo \"ERROR: $2 section does not exist.\" >&2; exit 1 ;;\n"
                      "esac");
    }

    // The one message, an empty list and no inventory: nothing half-read
    // and nothing of the earlier image is left.
    void ExpectFailedLoad(const std::string& message)
    {
        EXPECT_FALSE(OnLoad(state, ui));
        EXPECT_EQ(ui.messages, std::vector<std::string>{message});
        EXPECT_EQ(ui.rows.GetItemCount(), 0);
        EXPECT_EQ(state.inventory, nullptr);
    }

    // Short enough that a silent fake is stopped at once; a whole run may
    // take six of them.
    const ScopedSilenceLimit silence{"200"};
    TempDir tools;
    // The image is named as the user typed it, relative to the working folder.
    const ScopedWorkingDirectory inTools{tools.path()};
    const std::shared_ptr<const Inventory> earlier = std::make_shared<const Inventory>();
    DialogState state;
    FakeUserInterface ui;
};

TEST_F(LoadFailureTest, EmptyImagePathChangesNothing)
{
    ui.image.clear();
    ListingText(Heading + Sections);
    SectionTool(EightBytes);
    EXPECT_FALSE(OnLoad(state, ui));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Please input the VNF file!"});
    EXPECT_EQ(ui.rows.GetItemCount(), 1);
    EXPECT_EQ(ui.rows.GetItemCheckedState(0, 0), 1);
    EXPECT_EQ(state.inventory, earlier);
}

struct Failure {
    const char* label;
    std::string body;     // the fake tool's script
    std::string message;  // what the user is shown
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.label; }

class LoadListingFailure : public LoadFailureTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(LoadListingFailure, ShowsTheMessage)
{
    ListingText(Heading + Sections, GetParam().body);
    SectionTool(EightBytes);
    ExpectFailedLoad(GetParam().message);
}

const std::string DumpError = "Section header dump error. \n";

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadListingFailure,
    ::testing::Values(
        Failure{"Silent", "exec sleep 30",
                DumpError +
                    "scnlist printed nothing for 0.2 s while listing the sections of image (1).vnf and was stopped.\n"},
        // The listing's ERROR line, wherever it comes, is all that is shown.
        Failure{"ErrorLine", "echo \"ERROR: 'image.vnf' is not an ELF file\" >&2; exit 1",
                DumpError + "ERROR: 'image.vnf' is not an ELF file\n"},
        Failure{"FailsWithoutErrorLine", "exit 2",
                DumpError + "scnlist failed (status 2) while listing the sections of image (1).vnf: File: image.vnf\n"},
        Failure{"PrintsForever", "exec yes",
                DumpError + "scnlist printed more than the 65536 bytes expected while listing the sections of "
                            "image (1).vnf and was stopped.\n"}),
    [](const auto& info) { return std::string(info.param.label); });

class LoadSectionFailure : public LoadFailureTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(LoadSectionFailure, ShowsTheMessageAndKeepsNothing)
{
    ListingText(Heading + Sections);
    SectionTool(GetParam().body);
    ExpectFailedLoad(GetParam().message);
}

const std::string SectionError = "Section: ShareFunctionSectionB error. Please check your memory sections.\nsectmend ";
const std::string Step = " while reading section ShareFunctionSectionB of image (1).vnf";

// The section's bytes come through a FIFO (-o $4); a tool that stops
// moving them is stopped at the whole-run limit (six silences here).
INSTANTIATE_TEST_SUITE_P(
    Cases, LoadSectionFailure,
    ::testing::Values(
        Failure{"Silent", "exec sleep 30",
                SectionError + "did not finish" + Step.substr(6) + " within 1.2 s and was stopped.\n"},
        Failure{"NeverEnds", "exec >&- 2>&-; exec sleep 1000",
                SectionError + "did not finish" + Step.substr(6) + " within 1.2 s and was stopped.\n"},
        Failure{"PrintsForever", "exec yes",
                SectionError + "printed more than the 65536 bytes expected" + Step + " and was stopped.\n"},
        Failure{"FailsAfterItsBytes", EightBytes + "; exit 1", SectionError + "failed (status 1)" + Step + ".\n"},
        Failure{"ErrorLine", "echo 'ERROR: no such!' >&2; exit 1",
                SectionError + "failed (status 1)" + Step + ": ERROR: no such!\n"},
        Failure{"Killed", "kill -TERM $$", SectionError + "failed (status 143)" + Step + ".\n"},
        Failure{"ExitsAtOnce", "exit 0",
                "Pipe error\nsectmend wrote 0 bytes" + Step + ", not the 8 bytes of its size.\n"},
        Failure{"TooFewBytes", "printf '\\001\\002\\003' > \"$4\"",
                "Pipe error\nsectmend wrote 3 bytes" + Step + ", not the 8 bytes of its size.\n"},
        Failure{"TooManyBytes", "printf '\\001\\002\\003\\004\\005\\006\\007\\010\\011' > \"$4\"",
                SectionError + "was stopped" + Step + ": it wrote more than the 8 bytes expected.\n"},
        Failure{"PrintsInsteadOfWriting", "printf 0102030405060708",
                "Pipe error\nsectmend printed something unexpected" + Step + ": 0102030405060708\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(LoadFailureTest, MissingToolsAreNamed)
{
    ExpectFailedLoad("popen error\nCould not start " + tools.path().string() +
                     "/scnlist for listing the sections of image (1).vnf: No such file or directory.\n");
    ui.messages.clear();
    ListingText(Heading + Sections);
    ExpectFailedLoad("Section: ShareFunctionSectionA error. Please check your memory sections.\nCould not start " +
                     tools.path().string() +
                     "/sectmend for reading section ShareFunctionSectionA of image (1).vnf: No such file or "
                     "directory.\n");
}

TEST_F(LoadFailureTest, KeptSectionNameSectmendCannotTakeIsRefusedBeforeItRuns)
{
    ui.purpose = PurposeIndex::PracticalUse;
    ListingText(Heading + "1 progbits 0x00000006 0x00001000 0x00000034 0x00000004 AX 0 0 1 0 'my-text'\n");
    WriteFakeTool(tools.path(), "sectmend", "touch \"$(dirname \"$0\")/ran\"; printf 01020304");
    ExpectFailedLoad("Section 'my-text' cannot be handed to sectmend: it would read '-text' in the name as options "
                     "or a file name of their own.\n");
    EXPECT_FALSE(fs::exists(tools / "ran"));
}

}  // namespace
}  // namespace vantrel::testing
