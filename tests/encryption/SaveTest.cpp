#include <gtest/gtest.h>

#include <openssl/evp.h>

#include "CipherCheck.h"
#include "SaveFixture.h"
#include "VecFile.h"
#include "encryption/Save.h"

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
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Operation Successful! VNF File Saved!\n"});

    const Bytes saved = ReadFileBytes(output);
    const SaveChoice choice{FromHex(Key256Text), 2, 1};
    ExpectProtectedImage(spec, original, saved, choice, {{"L1_code", true}, {"L2_data", false}, {"L3_copy", true}});
    const SavedRecord record = ReadSavedRecord(spec, saved);
    EXPECT_EQ(record.cipherChoice, 0x21u);
    EXPECT_EQ(HexText(record.iv), HexText(Bytes(state.aesIv.begin(), state.aesIv.end())));
    // Each buffer starts from the IV: equal sections, equal ciphertext.
    EXPECT_EQ(SectionBytesIn(spec, saved, "L1_code"), SectionBytesIn(spec, saved, "L3_copy"));
    EXPECT_EQ(ReadFileBytes(input), original);
    EXPECT_EQ(FilesLeft(), CleanFolder);
    // The output is an ordinary copy of the input, not a private temporary.
    EXPECT_EQ(std::filesystem::status(output).permissions(), std::filesystem::status(input).permissions());
    EXPECT_EQ(state.aesKeyLength, 32);
    EXPECT_EQ(state.aesMode, 1);
    EXPECT_EQ(state.aesKeyBytes, (std::array<std::uint8_t, 32>{})) << "the key bytes outlived the save";
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
    EXPECT_EQ(ReadSavedRecord(spec, saved).cipherChoice, 0u);
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
        EXPECT_EQ(ReadSavedRecord(spec, saved).cipherChoice, static_cast<std::uint32_t>(16 + mode));

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
    ExpectProtectedImage(spec, original, saved, choice, {{"L1_code", false}, {"L3_copy", false}});
    EXPECT_EQ(SectionBytesIn(spec, saved, "L1_code"), spec.sections[1].bytes);
    // The stored table is not the plain one.
    const SavedRecord record = ReadSavedRecord(spec, saved);
    Bytes table(record.section.begin() + 44, record.section.begin() + 108);
    Bytes plain = table;
    DecryptInPlace(2, 2, choice.key, record.iv, plain);
    EXPECT_NE(table, plain);
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
    EXPECT_EQ(ui.lastMessage(), "Operation Successful! VNF File Saved!\n");
    ExpectProtectedImage(spec, original, ReadFileBytes(input), SaveChoice{FromHex(Key256Text), 2, 1},
                         {{"L1_code", true}, {"L2_data", false}});
    EXPECT_EQ(FilesLeft(), std::vector<std::string>{"in.vnf"});
}

// Key texts as typed: the key each one gives is checked by decrypting the
// saved image with it.
TEST_F(SaveWorks, KeyTextsBecomeTheKeysTheyStandFor)
{
    const std::string digits33 = "123456789abcdef0123456789abcdef0f";
    const std::string digits40 = "00112233445566778899aabbccddeeff01234567";
    const struct {
        std::string text;
        int keyLen;
        std::string key;
    } cases[] = {
        {"", KeyLenIndex::Bits128, std::string(32, '0')},
        {digits33, KeyLenIndex::Bits128, "0" + digits33.substr(0, 31)},
        {digits40, KeyLenIndex::Bits128, digits40.substr(0, 32)},
        {"ABCDEF0123", KeyLenIndex::Bits256, std::string(54, '0') + "abcdef0123"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Load();
        Tick("L1_code", false, true);
        ui.key = c.text;
        ui.keyLen = c.keyLen;
        ui.mode = ModeIndex::CBC;
        const std::filesystem::path target = dir / ("key" + std::to_string(n++) + ".vnf");
        ASSERT_TRUE(Save(target));
        ExpectProtectedImage(spec, original, ReadFileBytes(target), SaveChoice{FromHex(c.key), c.keyLen, 1},
                             {{"L1_code", true}});
        ui.messages.clear();
    }
}

TEST_F(SaveWorks, ARecordThatJustFitsIsWrittenAndStaleTemporaryFilesGo)
{
    UseImage(TestImage(44 + 2 * 32));
    WriteFileText(dir / "tmp.bin", "stale bytes");
    WriteFileText(dir / "tmp.vnf", "stale image");
    Load();
    Tick("L1_code", false, true);
    Tick("L2_data", false, true);
    ui.key = "00";
    ASSERT_TRUE(Save(output));
    ExpectProtectedImage(spec, original, ReadFileBytes(output), SaveChoice{Bytes(16, 0), 0, 1},
                         {{"L1_code", true}, {"L2_data", true}});
    EXPECT_EQ(FilesLeft(), CleanFolder);
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
