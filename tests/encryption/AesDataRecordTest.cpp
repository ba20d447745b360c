#include <gtest/gtest.h>

#include <openssl/evp.h>

#include "encryption/AesDataRecord.h"
#include "encryption/AesSettings.h"
#include "CipherCheck.h"
#include "VecFile.h"

namespace vantrel::testing {
namespace {

const std::array<std::uint8_t, 16> Iv = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

std::vector<AesDataEntry> TwoEntries()
{
    AesDataEntry hashed;
    hashed.address = 0x20001000;
    hashed.size = 0x40;
    hashed.flags = 0;
    hashed.digest.fill(0x11);
    AesDataEntry encrypted;
    encrypted.address = 0x08004000;
    encrypted.size = 0x100;
    encrypted.flags = 0x25;
    encrypted.digest.fill(0x22);
    return {hashed, encrypted};
}

TEST(AesDataRecord, PlainTableIsLittleEndianEntriesInOrder)
{
    const Bytes table = AesDataPlainTable(TwoEntries());
    const std::string expected = "00100020" "40000000" "00000000" + std::string(40, '1')
                                 + "00400008" "00010000" "25000000" + std::string(40, '2');
    EXPECT_EQ(HexText(table), expected);
}

TEST(AesDataRecord, HeaderTableAndRemainder)
{
    const Bytes key = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    auto cipher = AesCipher::Setup(AesModeCodeCbc, 32, key.data(), Iv);
    ASSERT_TRUE(cipher.has_value());
    Bytes section(200, 0xEE);
    const auto entries = TwoEntries();
    ASSERT_TRUE(WriteAesDataRecord(section, Iv, 0x21, entries, *cipher).ok());

    EXPECT_EQ(HexText(Bytes(section.begin(), section.begin() + 16)), "000102030405060708090a0b0c0d0e0f");
    const Bytes plain = FromHex("00100020" "40000000" "00000000" + std::string(40, '1') + "00400008" "00010000"
                                "25000000" + std::string(40, '2'));
    EXPECT_EQ(HexText(Bytes(section.begin() + 16, section.begin() + 36)), HexText(Sha1Of(plain)));
    EXPECT_EQ(HexText(Bytes(section.begin() + 36, section.begin() + 44)), "40000000" "21000000");
    Bytes table(section.begin() + 44, section.begin() + 108);
    EXPECT_NE(table, plain);
    DecryptInPlace(2, 1, key, Bytes(Iv.begin(), Iv.end()), table);
    EXPECT_EQ(HexText(table), HexText(plain));
    for (std::size_t i = 108; i < section.size(); ++i)
        ASSERT_EQ(section[i], 0xEE) << "byte " << i << " after the table was changed";
}

// The table is one chain from the IV: in CBC its second half depends on the
// first, so encrypting the entries one by one would give other bytes.
TEST(AesDataRecord, TableIsOneChain)
{
    const Bytes key(16, 0x42);
    auto cipher = AesCipher::Setup(AesModeCodeCbc, 16, key.data(), Iv);
    ASSERT_TRUE(cipher.has_value());
    auto entries = TwoEntries();
    entries[1] = entries[0];
    Bytes section(44 + 64, 0);
    ASSERT_TRUE(WriteAesDataRecord(section, Iv, 1, entries, *cipher).ok());
    EXPECT_NE(Bytes(section.begin() + 44, section.begin() + 76), Bytes(section.begin() + 76, section.end()));
}

TEST(AesDataRecord, RefusesASectionTooSmallAndLeavesItAlone)
{
    const Bytes key(16, 0);
    auto cipher = AesCipher::Setup(AesModeCodeEcb, 16, key.data(), Iv);
    ASSERT_TRUE(cipher.has_value());
    Bytes section(44 + 63, 0x5A);
    EXPECT_FALSE(WriteAesDataRecord(section, Iv, 0, TwoEntries(), *cipher).ok());
    EXPECT_EQ(section, Bytes(44 + 63, 0x5A));
    EXPECT_EQ(AesDataRecordSize(0), 44u);
    EXPECT_EQ(AesDataRecordSize(3), 140u);
}

}  // namespace
}  // namespace vantrel::testing
