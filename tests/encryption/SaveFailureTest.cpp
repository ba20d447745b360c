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
        ui.kinds.clear();
        ui.key = key;
        EXPECT_FALSE(Save(output));
        ExpectRefusedBeforeChooser("The key must be hexadecimal digits (0-9, A-F).\n");
    }
    ExpectNothingWritten();
}

TEST_F(SaveStops, CancelledChooserShowsNothing)
{
    Load();
    Tick("L1_code", false, true);
    EXPECT_FALSE(OnSave(state, ui).ok());  // no answer queued: cancel
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(ui.chooserRequests.size(), 1u);
    EXPECT_TRUE(ui.chooserRequests[0].save);
    EXPECT_EQ(ui.chooserRequests[0].title, "Save the Protected Image As");
    EXPECT_EQ(ui.chooserRequests[0].defaultExtension, "vnf");
    ExpectNothingWritten();
}

struct KeyCase {
    std::string name;
    int keyLen;
    std::string key;
    std::string message;
    bool aesBox = true;  // false: hash boxes only
};
void PrintTo(const KeyCase& key, std::ostream* os) { *os << key.name; }

class KeyRefused : public SaveFixture, public ::testing::WithParamInterface<KeyCase> {};

// A key that cannot be the one the user meant is refused before the chooser:
// none for an AES box, or more digits than Key Len takes.
TEST_P(KeyRefused, BeforeTheChooser)
{
    const KeyCase& key = GetParam();
    Load();
    Tick("L1_code", true, false);
    Tick("L2_data", !key.aesBox, key.aesBox);
    ui.keyLen = key.keyLen;
    ui.key = key.key;
    EXPECT_FALSE(Save(output));
    ExpectRefusedBeforeChooser(key.message);
    EXPECT_TRUE(ui.questions.empty());
    ExpectNothingWritten();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyRefused,
    ::testing::Values(
        KeyCase{"EmptyWithAnAesBox", KeyLenIndex::Bits128, "",
                "Please type the AES key: Key Len 128 takes 32 hexadecimal digits. Without it the AES sections "
                "would be encrypted with a key of zeros. Nothing was saved.\n"},
        KeyCase{"EmptyWithHashBoxesOnly", KeyLenIndex::Bits256, "",
                "Please type the AES key: Key Len 256 takes 64 hexadecimal digits. Without it the AESData table "
                "would be encrypted with a key of zeros. Nothing was saved.\n",
                false},
        KeyCase{"OneDigitTooMany", KeyLenIndex::Bits128, Key128Text + "0",
                "The key has 33 hexadecimal digits, but Key Len 128 takes 32 hexadecimal digits. Please shorten it "
                "or choose a longer Key Len. Nothing was saved.\n"},
        KeyCase{"A256BitKeyFor192", KeyLenIndex::Bits192, Key256Text,
                "The key has 64 hexadecimal digits, but Key Len 192 takes 48 hexadecimal digits. Please shorten it "
                "or choose a longer Key Len. Nothing was saved.\n"}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

struct QuestionCase {
    std::string name;
    std::string key;
    int mode;
    bool aes;  // L2_data's box; otherwise it is hashed
    std::vector<std::string> phrases;  // in the question
};
void PrintTo(const QuestionCase& question, std::ostream* os) { *os << question.name; }

class QuestionDeclined : public SaveFixture, public ::testing::WithParamInterface<QuestionCase> {};

// Each question before the chooser, answered No: the save ends there without
// a message, and nothing is written.
TEST_P(QuestionDeclined, EndsTheSaveBeforeTheChooser)
{
    const QuestionCase& question = GetParam();
    Load();
    Tick("L2_data", !question.aes, question.aes);
    ui.key = question.key;
    ui.mode = question.mode;
    ui.answer = false;
    EXPECT_FALSE(Save(output));
    ASSERT_EQ(ui.questions.size(), 1u);
    for (const std::string& phrase : question.phrases)
        EXPECT_NE(ui.questions[0].find(phrase), std::string::npos) << phrase << " in " << ui.questions[0];
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.chooserRequests.empty());
    ExpectNothingWritten();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuestionDeclined,
    ::testing::Values(
        QuestionCase{"ShortKey", "abc", ModeIndex::CBC, true, {"3 hexadecimal digits", "takes 32"}},
        QuestionCase{"OneDigitForHashedSectionsOnly", "a", ModeIndex::CBC, false, {"1 hexadecimal digits"}},
        QuestionCase{"Ofb", Key128Text, ModeIndex::OFB, true, {"same key stream", "one IV"}},
        QuestionCase{"Ctr", Key128Text, ModeIndex::CTR, false, {"same key stream", "one IV"}},
        QuestionCase{"UnsignedImage", Key128Text, ModeIndex::CBC, true, {"is not signed", "public.ecs"}}),
    [](const ::testing::TestParamInfo<QuestionCase>& info) { return info.param.name; });

// The adapter always hands a key of the chosen length; the operation refuses
// any other before it writes anything.
TEST_F(SaveStops, AKeyOfAnotherLengthThanTheChosenOne)
{
    Load();
    const ProtectRequest request{state.inventory,      {Treatment::Encrypt}, AesKeyLength::Bits256,
                                 AesMode::Cbc,         AesKeyFromText("00", 16), output.string(),
                                 state.toolDirectory, {}, {}};
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
    ExpectRefusedBeforeChooser("Can't find AESData section. Please modify vnf file for a AESData section.");
    ExpectNothingWritten();
}

TEST_F(SaveStops, NoRowChecked)
{
    Load();
    EXPECT_FALSE(Save(output));
    ExpectRefusedBeforeChooser("No Operation!\nTick Hash or AES for the sections to protect.\n");
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
    EXPECT_TRUE(ui.chooserRequests.empty());
    ExpectNothingWritten();
}

// The third checked row is not a whole number of blocks after two encrypted
// rows: the save stops before the chooser, naming the section and its size.
TEST_F(SaveStops, ThirdCheckedRowNotAMultipleOf16)
{
    Load();
    Tick("L1_code", false, true);
    Tick("L2_data", false, true);
    Tick("odd", true, false);
    Tick("L3_copy", false, true);
    EXPECT_FALSE(Save(output));
    ExpectRefusedBeforeChooser("Section's size should be a multiple of 16, Please check your sections!\nSection "
                               "odd holds 24 bytes.\n");
    ExpectNothingWritten();
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

class SaveCancelled : public SaveFixture, public ::testing::WithParamInterface<std::string> {};

// L1_code and L2_data are encrypted, L3_copy hashed; Cancel is pressed while
// the named step runs. Cancelled during the last step, the save stops just
// before its copy would replace the target. A new output does not appear;
// the input saved over in place keeps its bytes.
TEST_P(SaveCancelled, AtAnyStepWritesNothing)
{
    for (const fs::path& target : {output, input}) {
        SCOPED_TRACE(target);
        ui.messages.clear();
        ui.progressLines.clear();
        ui.cancelAt.clear();
        Load();
        Tick("L1_code", false, true);
        Tick("L2_data", false, true);
        Tick("L3_copy", true, false);
        ui.cancelAt = GetParam();
        EXPECT_FALSE(Save(target));
        ASSERT_FALSE(ui.progressLines.empty());
        EXPECT_EQ(ui.progressLines.back(), GetParam());
        EXPECT_EQ(ui.messages, std::vector<std::string>{CancelledMessage});
        ExpectNothingWritten();
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, SaveCancelled,
                         ::testing::Values("copying the image", "writing section L1_code", "encrypting section L2_data",
                                           "hashing section L3_copy"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param.substr(0, info.param.find(' '));
                         });

}  // namespace
}  // namespace vantrel::testing
