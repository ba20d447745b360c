#include <gtest/gtest.h>

#include "FaultySectmend.h"
#include "SaveFixture.h"
#include "buttons/Buttons.h"
#include "encryption/AesKeyText.h"
#include "encryption/ProtectImage.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

using SaveStops = SaveFixture;

TEST_F(SaveStops, EmptyInputPath)
{
    Load();
    ui.image.clear();
    EXPECT_FALSE(Save(output));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Please input the VNF file!"});
    EXPECT_TRUE(ui.chooserRequests.empty());
    ExpectNothingWritten();
}

TEST_F(SaveStops, BeforeAnyLoadAsksForTheLoad)
{
    EXPECT_FALSE(Save(output));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("Please Load " + input.string() + " first"), std::string::npos) << ui.messages[0];
    EXPECT_TRUE(ui.chooserRequests.empty());
    ExpectNothingWritten();
}

TEST_F(SaveStops, WhenTheInputBoxNamesAnImageThatWasNotLoaded)
{
    Load();
    Tick("L1_code", false, true);
    const fs::path other = dir / "other.vnf";
    WriteElfImage(other, TestImage());
    const Bytes otherBytes = ReadFileBytes(other);
    ui.image = other.string();
    EXPECT_FALSE(Save(output));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("Please Load " + other.string() + " first"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(other), otherBytes);
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(SaveStops, KeyTextWithOtherCharacters)
{
    Load();
    Tick("L1_code", false, true);
    for (const std::string key : {"12g4", "00 11", "0x1234"}) {
        ui.messages.clear();
        ui.key = key;
        EXPECT_FALSE(Save(output));
        EXPECT_EQ(ui.messages, std::vector<std::string>{"The key must be hexadecimal digits (0-9, A-F).\n"});
    }
    EXPECT_TRUE(ui.chooserRequests.empty());
    ExpectNothingWritten();
}

TEST_F(SaveStops, CancelledChooserShowsNothing)
{
    Load();
    Tick("L1_code", false, true);
    EXPECT_FALSE(OnSave(state, ui).ok());  // no answer queued: cancel
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(ui.chooserRequests.size(), 1u);
    EXPECT_FALSE(ui.chooserRequests[0].mustExist);
    EXPECT_EQ(ui.chooserRequests[0].defaultExtension, "vnf");
    ExpectNothingWritten();
}

// The adapter always hands a key of the chosen length; the operation refuses
// any other before it writes anything.
TEST_F(SaveStops, AKeyOfAnotherLengthThanTheChosenOne)
{
    Load();
    const ProtectRequest request{state.inventory,      {Treatment::Encrypt}, AesKeyLength::Bits256,
                                 AesMode::Cbc,         AesKeyFromText("00", 16), output.string(),
                                 state.toolDirectory, {}};
    const Status saved = ProtectImage(request);
    EXPECT_FALSE(saved.ok());
    EXPECT_EQ(saved.message(), "AES encryption failed to Initialize\n");
    ExpectNothingWritten();
}

TEST_F(SaveStops, ImageWithoutAesData)
{
    ImageSpec image = TestImage();
    image.sections.pop_back();
    UseImage(image);
    Load();
    Tick("L1_code", false, true);
    EXPECT_FALSE(Save(output));
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Can't find AESData section. Please modify vnf file for a AESData section."});
    ExpectNothingWritten();
}

TEST_F(SaveStops, NoRowChecked)
{
    Load();
    EXPECT_FALSE(Save(output));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"No Operation!\n"});
    ExpectNothingWritten();
}

TEST_F(SaveStops, ARecordThatDoesNotFitTheSection)
{
    UseImage(TestImage(44 + 2 * 32 - 1));
    Load();
    Tick("L1_code", false, true);
    Tick("L2_data", true, false);
    EXPECT_FALSE(Save(output));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("holds 107 bytes"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("needs 108 bytes"), std::string::npos) << ui.messages[0];
    ExpectNothingWritten();
}

// The third checked row is not a whole number of blocks after two encrypted
// rows: the save stops, and neither the output nor the input holds the two
// encrypted sections without their record.
TEST_F(SaveStops, ThirdCheckedRowNotAMultipleOf16)
{
    for (const fs::path& target : {output, input}) {
        SCOPED_TRACE(target);
        ui.messages.clear();
        Load();
        Tick("L1_code", false, true);
        Tick("L2_data", false, true);
        Tick("odd", true, false);
        Tick("L3_copy", false, true);
        EXPECT_FALSE(Save(target));
        EXPECT_EQ(ui.messages, std::vector<std::string>{"Section's size should be a multiple of 16, Please check "
                                                        "your sections!\nSection odd holds 24 bytes.\n"});
        ExpectNothingWritten();
    }
}

// An existing output that is not a regular file is never replaced, nor
// followed: a link's target stays as it was.
TEST_F(SaveStops, AnOutputThatIsALink)
{
    Load();
    Tick("L1_code", false, true);
    WriteFileText(dir / "other.vnf", "not an image");
    fs::create_symlink(dir / "other.vnf", output);
    EXPECT_FALSE(Save(output));
    EXPECT_EQ(ui.messages, std::vector<std::string>{output.string() + " exists and is not a regular file (a "
                                                    "symbolic link; name the file itself); it is never replaced. "
                                                    "Nothing was written.\n"});
    EXPECT_EQ(ReadFileText(dir / "other.vnf"), "not an image");
    EXPECT_EQ(FileNamesIn(dir.path()), (std::vector<std::string>{"in.vnf", "other.vnf", "out.vnf"}));
    EXPECT_EQ(ReadFileBytes(input), original);
}

TEST_F(SaveStops, AnOutputFolderThatCannotBeWritten)
{
    Load();
    Tick("L1_code", false, true);
    EXPECT_FALSE(Save(dir / "missing-folder" / "out.vnf"));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Could not create a private working folder in " +
                                                    (dir / "missing-folder").string() +
                                                    ": No such file or directory.\n"});
    ExpectNothingWritten();
}

TEST_F(SaveStops, ASectmendThatCannotStart)
{
    Load();
    Tick("L1_code", false, true);
    state.toolDirectory = (dir / "nowhere").string();
    EXPECT_FALSE(Save(output));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Could not start " + (dir / "nowhere" / "sectmend").string() +
                                                    " for reading section L1_code of " + output.string() +
                                                    ": No such file or directory.\n"});
    ExpectNothingWritten();
}

struct StepFault {
    std::string name;
    std::string stepArguments;  // the sectmend step that goes wrong
    std::string action;         // what sectmend does on it
    std::string message;        // TARGET stands for the output's path
};
void PrintTo(const StepFault& fault, std::ostream* os) { *os << fault.name; }

class SectmendStepFails : public SaveFixture, public ::testing::WithParamInterface<StepFault> {};

// L1_code and L2_data are encrypted, L3_copy hashed. Whichever step goes
// wrong, the steps before it changed only the working copy: neither a new
// output nor the input, saved over in place, holds part of a save.
TEST_P(SectmendStepFails, NamesTheStepAndWritesNothing)
{
    const StepFault& fault = GetParam();
    TempDir tools;
    WriteFaultySectmend(tools.path(), fault.stepArguments, fault.action);
    for (const fs::path& target : {output, input}) {
        SCOPED_TRACE(target);
        ui.messages.clear();
        state.toolDirectory = ToolsDir().string();
        Load();
        Tick("L1_code", false, true);
        Tick("L2_data", false, true);
        Tick("L3_copy", true, false);
        state.toolDirectory = tools.path().string();
        EXPECT_FALSE(Save(target));
        std::string message = fault.message;
        message.replace(message.find("TARGET"), 6, target.string());
        EXPECT_EQ(ui.messages, std::vector<std::string>{message});
        ExpectNothingWritten();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SectmendStepFails,
    ::testing::Values(
        StepFault{"CheckPrints", "-get L3_copy ", "echo 'note: read'",
                  "sectmend printed something unexpected while reading section L3_copy of TARGET: note: read\n"},
        StepFault{"SecondSectionFails", "-replace L2_data ", "echo 'ERROR: disk full'; exit 1",
                  "sectmend failed (status 1) while writing section L2_data of TARGET: ERROR: disk full\n"},
        StepFault{"RecordFails", "-replace AESData ", "exit 3",
                  "sectmend failed (status 3) while writing section AESData of TARGET.\n"}),
    [](const ::testing::TestParamInfo<StepFault>& info) { return info.param.name; });

}  // namespace
}  // namespace vantrel::testing
