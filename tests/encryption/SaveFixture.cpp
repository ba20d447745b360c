#include "SaveFixture.h"

#include "buttons/Buttons.h"

namespace vantrel::testing {

namespace fs = std::filesystem;

ImageSpec SaveFixture::TestImage(std::size_t aesDataSize)
{
    ImageSpec image;
    image.sections = {
        {"msg_code", PatternBytes(32, 1), 1, 6, 0x08000000},
        {"L1_code", PatternBytes(64, 0x10), 1, 6, 0x08004000},
        {"L2_data", PatternBytes(32, 0x20), 1, 3, 0x20001000},
        {"odd", PatternBytes(24, 0x30), 1, 2, 0x20002000},
        {"L3_copy", PatternBytes(64, 0x10), 1, 2, 0x08008000},
        {"AESData", PatternBytes(aesDataSize, 0x40), 1, 2, 0x20003000},
    };
    return image;
}

void SaveFixture::SetUp()
{
    input = dir / "in.vnf";
    output = dir / "out.vnf";
    UseImage(TestImage());
    ui.image = input.string();
    ui.purpose = PurposeIndex::PracticalUse;
    ui.key = Key128Text;
    state.toolDirectory = ToolsDir().string();
}

void SaveFixture::UseImage(const ImageSpec& image)
{
    spec = image;
    WriteElfImage(input, spec);
    original = ReadFileBytes(input);
}

void SaveFixture::Load()
{
    OnLoad(state, ui);
    ASSERT_EQ(ui.messages, std::vector<std::string>{});
    ASSERT_GT(ui.rows.GetItemCount(), 0);
}

void SaveFixture::Tick(const std::string& name, bool hash, bool aes)
{
    for (int row = 0; row < ui.rows.GetItemCount(); ++row) {
        if (ui.rows.GetItemText(row, SectionList::NameColumn) == name) {
            ui.rows.SetCheckbox(row, SectionList::HashColumn, hash ? 1 : 0);
            ui.rows.SetCheckbox(row, SectionList::AesColumn, aes ? 1 : 0);
            return;
        }
    }
    ADD_FAILURE() << "no row for section " << name;
}

bool SaveFixture::Save(const fs::path& target)
{
    ui.chooserAnswers.push_back(target.string());
    return OnSave(state, ui).ok();
}

void SaveFixture::ExpectNothingWritten() const
{
    EXPECT_EQ(ReadFileBytes(input), original) << "the input image changed";
    EXPECT_EQ(FileNamesIn(dir.path()), std::vector<std::string>{"in.vnf"});
}

void SaveFixture::ExpectRefusedBeforeChooser(const std::string& message) const
{
    EXPECT_EQ(ui.messages, std::vector<std::string>{message});
    EXPECT_EQ(ui.kinds, std::vector<MessageKind>{MessageKind::Error});
    EXPECT_TRUE(ui.chooserRequests.empty());
}

void SaveFixture::ExpectSavedTo(const fs::path& target) const
{
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.kinds.back(), MessageKind::Success);
    EXPECT_EQ(ui.lastMessage().rfind("Operation Successful! VNF File Saved!\n", 0), 0u) << ui.lastMessage();
    EXPECT_NE(ui.lastMessage().find(target.string()), std::string::npos) << ui.lastMessage();
}

}  // namespace vantrel::testing
