#include <gtest/gtest.h>

#include <openssl/evp.h>

#include "CipherCheck.h"
#include "SaveFixture.h"
#include "VecFile.h"
#include "buttons/Buttons.h"

namespace vantrel::testing {
namespace {

using SaveWorks = SaveFixture;

const std::vector<std::string> CleanFolder = {"in.vnf", "out.vnf"};

TEST_F(SaveWorks, Aes256CbcEncryptsHashesAndRecordsInListOrder)
{
    Load();
    Tick("L1_code", false, true);
    Tick("L2_data", true, false);
    Tick("L3_copy", true, true);  // both boxes: encrypted
    ui.key = Key256Text;
    ui.keyLen = KeyLenIndex::Bits256;
    ui.mode = ModeIndex::CBC;
    ASSERT_TRUE(Save(output));
    EXPECT_EQ(ui.messages.size(), 1u);
    ExpectSavedTo(output);

    const Bytes saved = ReadFileBytes(output);
    const SaveChoice choice{FromHex(Key256Text), 2, 1};
    ExpectProtectedImage(spec, original, saved, choice, {{"L1_code", true}, {"L2_data", false}, {"L3_copy", true}});
    // Each buffer starts from the IV: equal sections, equal ciphertext.
    EXPECT_EQ(SectionBytesIn(spec, saved, "L1_code"), SectionBytesIn(spec, saved, "L3_copy"));
    EXPECT_EQ(ReadFileBytes(input), original);
    EXPECT_EQ(FileNamesIn(dir.path()), CleanFolder);
    // The output is an ordinary copy of the input, not a private temporary.
    EXPECT_EQ(std::filesystem::status(output).permissions(), std::filesystem::status(input).permissions());
}

TEST_F(SaveWorks, Aes128EcbRecordsZeroAndFlagsFour)
{
    Load();
    Tick("L2_data", false, true);
    ui.key = "abc";  // right-aligned: fourteen zero bytes, then 0a bc
    ui.keyLen = KeyLenIndex::Bits128;
    ui.mode = ModeIndex::ECB;
    ASSERT_TRUE(Save(output));
    const Bytes saved = ReadFileBytes(output);
    const SaveChoice choice{FromHex(std::string(28, '0') + "0abc"), 0, 0};
    ExpectProtectedImage(spec, original, saved, choice, {{"L2_data", true}});
}

// "CTR" is the OFB processing under another recorded index. A real counter
// mode agrees with OFB on the first block only, so a two-block section
// tells them apart.
TEST_F(SaveWorks, CtrIsOfbProcessingRecordedAsThree)
{
    for (const int mode : {ModeIndex::OFB, ModeIndex::CTR}) {
        SCOPED_TRACE(mode);
        Load();
        Tick("L2_data", false, true);
        ui.key = "0f1e2d3c4b5a69788796a5b4c3d2e1f0";
        ui.keyLen = KeyLenIndex::Bits192;
        ui.mode = mode;
        const std::filesystem::path target = dir / ("out" + std::to_string(mode) + ".vnf");
        ASSERT_TRUE(Save(target));
        const Bytes saved = ReadFileBytes(target);
        const SaveChoice choice{FromHex(std::string(16, '0') + "0f1e2d3c4b5a69788796a5b4c3d2e1f0"), 1, mode};
        ExpectProtectedImage(spec, original, saved, choice, {{"L2_data", true}});

        // The key stream of the saved section is OFB's: E(IV), E(E(IV)).
        const SavedRecord record = ReadSavedRecord(spec, saved);
        Bytes stream(32, 0);
        DecryptInPlace(1, ModeIndex::OFB, choice.key, record.iv, stream);  // OFB: zeros give the key stream
        Bytes cipherText = SectionBytesIn(spec, saved, "L2_data");
        const Bytes plain = spec.sections[2].bytes;
        for (std::size_t i = 0; i < cipherText.size(); ++i)
            cipherText[i] ^= plain[i];
        EXPECT_EQ(HexText(cipherText), HexText(stream));
        ui.messages.clear();
    }
}

TEST_F(SaveWorks, HashOnlyLeavesSectionsAndStillEncryptsTheTable)
{
    Load();
    Tick("L1_code", true, false);
    Tick("L3_copy", true, false);
    ui.key = Key256Text;
    ui.keyLen = KeyLenIndex::Bits256;
    ui.mode = ModeIndex::OFB;
    ASSERT_TRUE(Save(output));
    const Bytes saved = ReadFileBytes(output);
    const SaveChoice choice{FromHex(Key256Text), 2, 2};
    // Hashed sections unchanged, the table encrypted: the checks decrypt it.
    ExpectProtectedImage(spec, original, saved, choice, {{"L1_code", false}, {"L3_copy", false}});
}

TEST_F(SaveWorks, OutputEqualToInputIsChangedInPlace)
{
    Load();
    Tick("L1_code", false, true);
    Tick("L2_data", true, false);
    ui.key = Key256Text;
    ui.keyLen = KeyLenIndex::Bits256;
    ui.mode = ModeIndex::CBC;
    ASSERT_TRUE(Save(input));
    ExpectSavedTo(input);
    ExpectProtectedImage(spec, original, ReadFileBytes(input), SaveChoice{FromHex(Key256Text), 2, 1},
                         {{"L1_code", true}, {"L2_data", false}});
    EXPECT_EQ(FileNamesIn(dir.path()), std::vector<std::string>{"in.vnf"});
}

TEST_F(SaveWorks, ARecordThatJustFitsIsWritten)
{
    UseImage(TestImage(44 + 2 * 32));
    Load();
    Tick("L1_code", false, true);
    Tick("L2_data", false, true);
    ui.key = "00";
    ASSERT_TRUE(Save(output));
    ExpectProtectedImage(spec, original, ReadFileBytes(output), SaveChoice{Bytes(16, 0), 0, 1},
                         {{"L1_code", true}, {"L2_data", true}});
    EXPECT_EQ(FileNamesIn(dir.path()), CleanFolder);
}

// Signed with the key pair of the working directory: no question before the
// chooser when Key Len, the key and the mode are sound.
TEST_F(SaveWorks, ASignedImageIsSavedWithoutAQuestion)
{
    ImageSpec image = TestImage();
    image.sections.push_back({"msg_data", PatternBytes(32, 2), 1, 3, 0x20004000});
    image.sections.push_back({"digital_signature", Bytes(48, 0), 1, 2, 0x20005000});
    UseImage(image);
    ASSERT_TRUE(OnGenerate(state, ui).ok()) << ui.lastMessage();
    ui.messages.clear();
    ui.kinds.clear();
    ui.questions.clear();  // signing with the Pelora pair was asked about
    Load();
    Tick("L1_code", false, true);
    ASSERT_TRUE(Save(output)) << ui.lastMessage();
    EXPECT_EQ(ui.questions, std::vector<std::string>{});
    ExpectSavedTo(output);
}

TEST_F(SaveWorks, TwoSavesOfOneImageHaveDifferentIvs)
{
    Load();
    Tick("L1_code", false, true);
    ASSERT_TRUE(Save(dir / "a.vnf"));
    ASSERT_TRUE(Save(dir / "b.vnf"));
    const Bytes a = ReadFileBytes(dir / "a.vnf");
    const Bytes b = ReadFileBytes(dir / "b.vnf");
    EXPECT_NE(ReadSavedRecord(spec, a).iv, ReadSavedRecord(spec, b).iv);
    EXPECT_NE(SectionBytesIn(spec, a, "L1_code"), SectionBytesIn(spec, b, "L1_code"));
}

}  // namespace
}  // namespace vantrel::testing
