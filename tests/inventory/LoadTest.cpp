// Load through the real scnlist and sectmend on generated images.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ElfMaker.h"
#include "FakeUserInterface.h"
#include "TestSupport.h"
#include "buttons/Buttons.h"
#include "core/Sha1.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t ShtNobits = 8;

ImageSpec InventoryImage()
{
    ImageSpec spec;
    spec.sections = {
        {"msg_code", PatternBytes(16, 1), 1, 6, 0x1000},
        {"msg_data", PatternBytes(16, 2), 1, 3, 0x1100},
        {"digital_signature", Bytes(48, 0), 1, 2, 0x1200},
        {"AESData", Bytes(0xac, 0), 1, 2, 0x1300},
        {"AesDataBuffer", PatternBytes(8, 3), 1, 2, 0x1400},
        {"AESBufferForL1Code", PatternBytes(8, 4), 1, 2, 0x1500},
        {"ShareFunction", PatternBytes(8, 5), 1, 6, 0x2000},
        {"ShareFunctionSection", PatternBytes(16, 6), 1, 6, 0x2100},
        {"ShareFunctionSectionX", PatternBytes(20, 7), 1, 3, 0x2200},
        {"L1_Code_Hash", PatternBytes(12, 8), 1, 6, 0x3000},
        {"L1_Code_Encrypt", PatternBytes(32, 9), 1, 6, 0x3100},
        {"L2_Hash", PatternBytes(4, 10), 1, 6, 0x3200},
        {"L2_Encrypt", PatternBytes(24, 11), 1, 6, 0x3300},
        {"L2_hash", PatternBytes(4, 12), 1, 6, 0x3400},
        {"ShareFunctionSectionBss", {}, ShtNobits, 3, 0x4000, 64},
        {"ShareFunctionSectionNoFlags", PatternBytes(8, 13), 1, 0, 0},
        {"ShareFunctionSectionEmpty", {}, 1, 2, 0x4100},
        {"other", PatternBytes(8, 14), 1, 2, 0x5000},
    };
    return spec;
}

const SectionSpec& SpecOf(const ImageSpec& spec, const std::string& name)
{
    for (const SectionSpec& section : spec.sections)
        if (section.name == name)
            return section;
    throw std::runtime_error("no section " + name);
}

std::string Hex8(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(value));
    return text;
}

class LoadTest : public ::testing::Test {
protected:
    LoadTest() { state.toolDirectory = ToolsDir().string(); }

    void Load(const fs::path& image, int purpose, int entry)
    {
        ui.image = image.string();
        ui.purpose = purpose;
        ui.entry = entry;
        const Status loaded = OnLoad(state, ui);
        EXPECT_TRUE(loaded) << loaded.message();
        EXPECT_EQ(ui.messages, std::vector<std::string>{});
    }

    // Rows and records are the kept sections of spec in order, each with the
    // digest of its bytes, its listing texts and both boxes clear.
    void ExpectInventory(const ImageSpec& spec, const std::vector<std::string>& names)
    {
        ASSERT_NE(state.inventory, nullptr);
        ASSERT_EQ(ui.rows.GetItemCount(), static_cast<int>(names.size()));
        ASSERT_EQ(state.inventory->sectionTable.size(), names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            SCOPED_TRACE(names[i]);
            const int row = static_cast<int>(i);
            const SectionSpec& section = SpecOf(spec, names[i]);
            const SectionRecord& record = state.inventory->sectionTable[i];
            EXPECT_EQ(record.name, names[i]);
            Sha1Digest digest{};
            ASSERT_TRUE(Sha1(section.bytes, digest));
            EXPECT_EQ(record.digest, digest);
            EXPECT_EQ(record.typeText, "progbits");
            EXPECT_EQ(record.flagsText, Hex8(section.flags));
            EXPECT_EQ(record.addressText, Hex8(section.address));
            EXPECT_EQ(record.column4Text, Hex8(SectionOffset(spec, names[i])));
            EXPECT_EQ(record.sizeText, Hex8(static_cast<std::uint32_t>(section.bytes.size())));
            EXPECT_EQ(record.column9, 1);  // alignment
            EXPECT_EQ(record.aesSelected, 0);
            EXPECT_EQ(ui.rows.GetItemText(row, 0), "");
            EXPECT_EQ(ui.rows.GetItemCheckedState(row, 0), 0);
            EXPECT_EQ(ui.rows.GetItemCheckedState(row, 1), 0);
            EXPECT_EQ(ui.rows.GetItemText(row, 2), record.name);
            EXPECT_EQ(ui.rows.GetItemText(row, 3), record.addressText);
            EXPECT_EQ(ui.rows.GetItemText(row, 4), record.sizeText);
        }
    }

    TempDir dir;
    DialogState state;
    FakeUserInterface ui;
};

struct ChoiceCase {
    const char* label;
    int purpose;
    int entry;
    std::vector<std::string> kept;
};

void PrintTo(const ChoiceCase& c, std::ostream* out) { *out << c.label; }

class LoadChoices : public LoadTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(LoadChoices, KeepsTheSectionsThePurposeAndEntryAllow)
{
    const ImageSpec spec = InventoryImage();
    WriteElfImage(dir / "image.vnf", spec);
    Load(dir / "image.vnf", GetParam().purpose, GetParam().entry);
    ExpectInventory(spec, GetParam().kept);
    EXPECT_EQ(state.inventory->aesDataSize, 0xacu);
    EXPECT_EQ(state.inventory->imagePath, (dir / "image.vnf").string());
}

const std::vector<std::string> PracticalKept{"ShareFunction", "ShareFunctionSection", "ShareFunctionSectionX",
                                             "L1_Code_Hash",  "L1_Code_Encrypt",      "L2_Hash",
                                             "L2_Encrypt",    "L2_hash",              "other"};

INSTANTIATE_TEST_SUITE_P(
    Choices, LoadChoices,
    ::testing::Values(
        ChoiceCase{"DemonstrationMulti", PurposeIndex::Demonstration, EntryIndex::Multi,
                   {"ShareFunctionSection", "ShareFunctionSectionX"}},
        ChoiceCase{"DemonstrationSingle", PurposeIndex::Demonstration, EntryIndex::Single,
                   {"L1_Code_Hash", "L1_Code_Encrypt", "L2_Hash", "L2_Encrypt"}},
        ChoiceCase{"PracticalMulti", PurposeIndex::PracticalUse, EntryIndex::Multi, PracticalKept},
        ChoiceCase{"PracticalSingle", PurposeIndex::PracticalUse, EntryIndex::Single, PracticalKept}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(LoadTest, ReplacesTheRowsAndTicksOfTheLoadBefore)
{
    const ImageSpec spec = InventoryImage();
    WriteElfImage(dir / "image.vnf", spec);
    Load(dir / "image.vnf", PurposeIndex::PracticalUse, EntryIndex::Multi);
    for (int row = 0; row < ui.rows.GetItemCount(); ++row) {
        ui.rows.SetCheckbox(row, 0, 1);
        ui.rows.SetCheckbox(row, 1, 1);
    }
    Load(dir / "image.vnf", PurposeIndex::Demonstration, EntryIndex::Multi);
    ExpectInventory(spec, {"ShareFunctionSection", "ShareFunctionSectionX"});
}

TEST_F(LoadTest, SectionLargerThanHalfAMebibyte)
{
    ImageSpec spec;
    spec.sections = {{"ShareFunctionSectionBig", PatternBytes(600 * 1024 + 3, 21), 1, 6, 0x10000},
                     {"ShareFunctionSectionSmall", PatternBytes(4, 22), 1, 6, 0x20000}};
    WriteElfImage(dir / "big.vnf", spec);
    Load(dir / "big.vnf", PurposeIndex::Demonstration, EntryIndex::Multi);
    ExpectInventory(spec, {"ShareFunctionSectionBig", "ShareFunctionSectionSmall"});
}

TEST_F(LoadTest, ListingLargerThanOneMebibyte)
{
    // 8500 section lines of about 130 characters each: long names keep the
    // number of sections (and the tools' work) down.
    ImageSpec spec;
    for (int i = 0; i < 8500; ++i) {
        std::string name = "filler_section_" + std::to_string(i);
        spec.sections.push_back({name + std::string(60 - name.size(), 'x'), {}, 1, 2, 0});
    }
    spec.sections.push_back({"L2_Encrypt", PatternBytes(24, 23), 1, 6, 0x3000});
    WriteElfImage(dir / "many.vnf", spec);
    ASSERT_GT(RunProgram({(ToolsDir() / "scnlist").string(), "-sh", (dir / "many.vnf").string()}).out.size(),
              1024u * 1024u);
    Load(dir / "many.vnf", PurposeIndex::Demonstration, EntryIndex::Single);
    ExpectInventory(spec, {"L2_Encrypt"});
}

TEST_F(LoadTest, ImageWithoutKeptSectionsGivesAnEmptyInventoryAndNoMessage)
{
    WriteElfImage(dir / "sample.vnf", SampleImage());
    Load(dir / "sample.vnf", PurposeIndex::Demonstration, EntryIndex::Multi);
    ExpectInventory(SampleImage(), {});
    EXPECT_EQ(state.inventory->aesDataSize, 32u);
}

TEST_F(LoadTest, NameListedWithEscapedBytesIsReadBackAndCaptured)
{
    // scnlist prints the bytes of "é" as \xc3\xa9; sectmend is handed the
    // bytes themselves.
    ImageSpec spec;
    spec.sections = {{"ShareFunctionSection\xc3\xa9", PatternBytes(12, 31), 1, 6, 0x1000}};
    WriteElfImage(dir / "accent.vnf", spec);
    ASSERT_NE(RunProgram({(ToolsDir() / "scnlist").string(), "-sh", (dir / "accent.vnf").string()})
                  .out.find("'ShareFunctionSection\\xc3\\xa9'"),
              std::string::npos);
    Load(dir / "accent.vnf", PurposeIndex::Demonstration, EntryIndex::Multi);
    ExpectInventory(spec, {"ShareFunctionSection\xc3\xa9"});
}

TEST_F(LoadTest, ReportsEachKeptSectionAsItIsRead)
{
    WriteElfImage(dir / "image.vnf", InventoryImage());
    std::vector<std::string> lines;
    LoadRequest request{(dir / "image.vnf").string(), ToolsDir().string(), Purpose::Demonstration, Entry::Single,
                        [&lines](const std::string& line) { lines.push_back(line); }, {}};
    ASSERT_TRUE(LoadInventory(request));
    EXPECT_EQ(lines, (std::vector<std::string>{"reading section L1_Code_Hash", "reading section L1_Code_Encrypt",
                                               "reading section L2_Hash", "reading section L2_Encrypt"}));
}

// Cancel while a section is read: the Load stops before the next one, and
// the list stays empty with nothing to save from.
TEST_F(LoadTest, CancelStopsBeforeTheNextSectionAndKeepsNothing)
{
    WriteElfImage(dir / "image.vnf", InventoryImage());
    ui.image = (dir / "image.vnf").string();
    ui.entry = EntryIndex::Single;
    ui.cancelAt = "reading section L1_Code_Encrypt";
    EXPECT_FALSE(OnLoad(state, ui));
    EXPECT_EQ(ui.progressLines,
              (std::vector<std::string>{"reading section L1_Code_Hash", "reading section L1_Code_Encrypt"}));
    EXPECT_EQ(ui.messages, std::vector<std::string>{CancelledMessage});
    EXPECT_EQ(ui.rows.GetItemCount(), 0);
    EXPECT_EQ(state.inventory, nullptr);
}

}  // namespace
}  // namespace vantrel::testing
