#include <gtest/gtest.h>

#include "SaveFixture.h"
#include "encryption/Save.h"

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

TEST_F(SaveStops, CancelledChooserShowsNothingButHasSetTheSaveFields)
{
    Load();
    Tick("L1_code", false, true);
    ui.keyLen = KeyLenIndex::Bits256;
    ui.mode = ModeIndex::CTR;
    EXPECT_FALSE(OnSave(state, ui));  // no answer queued: cancel
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(ui.chooserRequests.size(), 1u);
    EXPECT_FALSE(ui.chooserRequests[0].mustExist);
    EXPECT_EQ(ui.chooserRequests[0].defaultExtension, "vnf");
    EXPECT_EQ(state.aesKeyLength, 32);
    EXPECT_EQ(state.aesMode, 29);
    EXPECT_NE(state.aesIv, (std::array<std::uint8_t, 16>{}));
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
        EXPECT_EQ(ui.messages,
                  std::vector<std::string>{"Section's size should be a multiple of 16, Please check your sections!\n"});
        ExpectNothingWritten();
    }
}

class FailingTool : public SaveFixture {
protected:
    // A sectmend that ends with the given status, in a folder of its own.
    void UseFailingSectmend(int status)
    {
        const fs::path tools = dir / "tools";
        fs::create_directory(tools);
        WriteFileText(tools / "sectmend", "#!/bin/sh\nexit " + std::to_string(status) + "\n");
        fs::permissions(tools / "sectmend", fs::perms::owner_all);
        state.toolDirectory = tools.string();
    }
    std::vector<std::string> Expected() const { return {"in.vnf", "tools"}; }
};

TEST_F(FailingTool, AFailedReplaceStopsTheSaveAndLeavesTheInput)
{
    for (const fs::path& target : {output, input}) {
        SCOPED_TRACE(target);
        ui.messages.clear();
        state.toolDirectory = ToolsDir().string();
        Load();
        Tick("L1_code", false, true);
        UseFailingSectmend(1);
        EXPECT_FALSE(Save(target));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].find("sectmend failed (status 1) to replace section L1_code of " + target.string()),
                  std::string::npos)
            << ui.messages[0];
        EXPECT_EQ(ReadFileBytes(input), original);
        EXPECT_EQ(FilesLeft(), Expected());
    }
}

TEST_F(FailingTool, AFailedRecordStepStopsTheSave)
{
    Load();
    Tick("L2_data", true, false);  // hash only: the record step is the first run
    UseFailingSectmend(3);
    EXPECT_FALSE(Save(output));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("status 3"), std::string::npos) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("AESData"), std::string::npos) << ui.messages[0];
    EXPECT_EQ(FilesLeft(), Expected());
}

TEST_F(FailingTool, AToolThatCannotStart)
{
    Load();
    Tick("L1_code", false, true);
    state.toolDirectory = (dir / "nowhere").string();
    EXPECT_FALSE(Save(output));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("Could not start"), std::string::npos) << ui.messages[0];
    ExpectNothingWritten();
}

TEST_F(SaveStops, AnOutputFolderThatCannotBeWritten)
{
    Load();
    Tick("L1_code", false, true);
    EXPECT_FALSE(Save(dir / "missing-folder" / "out.vnf"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("missing-folder"), std::string::npos) << ui.messages[0];
    ExpectNothingWritten();
}

}  // namespace
}  // namespace vantrel::testing
