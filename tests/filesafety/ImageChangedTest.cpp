// Save works from the bytes Load captured: an image rebuilt in between is
// refused before anything is written, unless its treated sections are the
// same.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "CliTestSupport.h"
#include "FakeUserInterface.h"
#include "FaultySectmend.h"
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

// Another run replaced the image while this one protected it in place (the
// step hook stands for the other run's rename): this run's result is not
// renamed over it, so the two never both report success.
TEST_F(ImageChanged, AnImageReplacedWhileItIsProtectedInPlaceIsLeftToTheOtherRun)
{
    TempDir tools;
    for (const char* file : {"scnlist", "ecc_koblitz.ecs"})
        fs::create_symlink(ToolsDir() / file, tools / file);
    const std::string image = ui.image;
    WriteFaultySectmend(tools.path(), "-replace ",
                        "cp '" + image + "' '" + image + ".other' && mv '" + image + ".other' '" + image + "'");
    state.toolDirectory = tools.path().string();
    ASSERT_TRUE(OnLoad(state, ui).ok());
    for (int row = 0; row < ui.rows.GetItemCount(); ++row)
        if (ui.rows.GetItemText(row, SectionList::NameColumn) == "L1_Code_Encrypt")
            ui.rows.SetCheckbox(row, SectionList::AesColumn, 1);
    const Bytes original = ReadFileBytes(image);
    ui.chooserAnswers.push_back(image);

    EXPECT_FALSE(OnSave(state, ui).ok());
    EXPECT_EQ(ui.lastMessage(), image + " changed while it was being protected; nothing was written.\n");
    EXPECT_EQ(ReadFileBytes(image), original);
    EXPECT_EQ(FileNamesIn(dir.path()), std::vector<std::string>{"image.vnf"});
}

// What killed runs left beside an output (a private folder, a working file)
// is removed by the next run there; what a live run holds is not.
TEST(Leftovers, TheNextRunRemovesWhatEndedRunsLeftAndNothingElse)
{
    TempDir dir;
    WriteElfImage(dir / "image.vnf", ProtectableImage());
    fs::create_directory(dir / ".vantrel-Ab12Cd");
    WriteFileText(dir / ".vantrel-Ab12Cd" / "image.vnf", "a killed run's copy");
    WriteFileText(dir / ".out.vnf.vantrel-Zz9Yy8", "a killed run's output");
    WriteFileText(dir / ".live.vnf.vantrel-Qq1Ww2", "a live run's output");
    WriteFileText(dir / ".vantrel-notes", "the user's own file");
    // A live run: flock(1) holds the lock for as long as the test needs.
    const std::string live = (dir / ".live.vnf.vantrel-Qq1Ww2").string();
    FILE* holder = popen(("exec /usr/bin/flock -x '" + live + "' -c 'read line'").c_str(), "w");
    ASSERT_NE(holder, nullptr);
    for (int tries = 0; tries < 3000 && RunProgram({"/usr/bin/flock", "-n", "-x", live, "true"}).status == 0; ++tries)
        usleep(10000);

    const ProgramResult result =
        Utility({"protect", "image.vnf", "-o", "out.vnf", "--key-file", "-", "--hash", "ShareFunctionSection1"},
                dir.path(), "00112233445566778899aabbccddeeff\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(FileNamesIn(dir.path()),
              (std::vector<std::string>{".live.vnf.vantrel-Qq1Ww2", ".vantrel-notes", "image.vnf", "out.vnf"}));
    std::fputs("\n", holder);
    pclose(holder);
}

}  // namespace
}  // namespace vantrel::testing
