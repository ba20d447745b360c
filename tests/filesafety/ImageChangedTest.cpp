// Save works from the bytes Load captured: an image rebuilt in between is
// refused before anything is written, unless its treated sections are the
// same.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "FakeUserInterface.h"
#include "buttons/Buttons.h"
#include "encryption/SaveMessages.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

class ImageChanged : public ::testing::Test {
protected:
    ImageChanged()
    {
        state.toolDirectory = ToolsDir().string();
        ui.image = (dir / "image.vnf").string();
        ui.entry = EntryIndex::Single;
        ui.key = "000102030405060708090a0b0c0d0e0f";
        WriteElfImage(ui.image, ProtectableImage());
    }

    // Loads the image, ticks L1_Code_Encrypt for AES, lets the image be
    // rebuilt with spec, and saves to out.vnf.
    Status LoadRebuildAndSave(const ImageSpec& rebuilt)
    {
        EXPECT_TRUE(OnLoad(state, ui).ok());
        for (int row = 0; row < ui.rows.GetItemCount(); ++row)
            if (ui.rows.GetItemText(row, SectionList::NameColumn) == "L1_Code_Encrypt")
                ui.rows.SetCheckbox(row, SectionList::AesColumn, 1);
        WriteElfImage(ui.image, rebuilt);
        ui.chooserAnswers.push_back((dir / "out.vnf").string());
        return OnSave(state, ui);
    }

    TempDir dir;
    DialogState state;
    FakeUserInterface ui;
};

TEST_F(ImageChanged, NewBytesInATreatedSectionAreRefused)
{
    ImageSpec rebuilt = ProtectableImage();
    rebuilt.sections[5].bytes = PatternBytes(48, 99);  // L1_Code_Encrypt
    EXPECT_FALSE(LoadRebuildAndSave(rebuilt).ok());
    EXPECT_EQ(ui.lastMessage(), SaveImageChangedMessage);
    EXPECT_FALSE(fs::exists(dir / "out.vnf"));
}

TEST_F(ImageChanged, ANewSizeIsRefused)
{
    ImageSpec rebuilt = ProtectableImage();
    rebuilt.sections[5].bytes = PatternBytes(64, 4);
    EXPECT_FALSE(LoadRebuildAndSave(rebuilt).ok());
    EXPECT_EQ(ui.lastMessage(), SaveImageChangedMessage);
    EXPECT_FALSE(fs::exists(dir / "out.vnf"));
}

TEST_F(ImageChanged, ChangesOutsideTheTreatedSectionsAreSaved)
{
    ImageSpec rebuilt = ProtectableImage();
    rebuilt.sections[4].bytes = PatternBytes(32, 98);  // L1_Code_Hash, not ticked
    EXPECT_TRUE(LoadRebuildAndSave(rebuilt).ok()) << ui.lastMessage();
    EXPECT_EQ(ui.lastMessage().rfind(SaveSuccessMessage, 0), 0u) << ui.lastMessage();
    EXPECT_EQ(SectionBytes(dir / "out.vnf", "L1_Code_Hash"), PatternBytes(32, 98));
}

}  // namespace
}  // namespace vantrel::testing
