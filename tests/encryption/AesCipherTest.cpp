#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "encryption/AesCipher.h"
#include "encryption/AesSettings.h"
#include "core/Sha1.h"
#include "VecFile.h"

namespace vantrel::testing {
namespace {

std::array<std::uint8_t, 16> ToIv(const Bytes& bytes)
{
    std::array<std::uint8_t, 16> iv{};
    std::copy(bytes.begin(), bytes.end(), iv.begin());
    return iv;
}

std::optional<AesCipher> CipherFor(const VecBlock& block)
{
    const Bytes key = block.hex("Key");
    return AesCipher::Setup(AesModeCode(block.number("ModeIndex")),
                            AesKeyLengthBytes(block.number("KeyLenIndex")), key.data(), ToIv(block.hex("IV")));
}

TEST(AesCipher, EncryptsTheSp80038aVectorsForEveryChoice)
{
    const auto blocks = ReadVecFile("aes_modes.vec");
    ASSERT_EQ(blocks.size(), 10u);
    for (const VecBlock& block : blocks) {
        SCOPED_TRACE(block.header);
        auto cipher = CipherFor(block);
        ASSERT_TRUE(cipher.has_value());
        Bytes buffer = block.hex("In");
        ASSERT_TRUE(cipher->Encrypt(buffer).ok());
        EXPECT_EQ(HexText(buffer), HexText(block.hex("Out")));
    }
}

// Every buffer starts from the IV: the second of two equal buffers encrypts
// exactly like the first, and a chain is not carried over from a longer one.
TEST(AesCipher, EveryBufferStartsAgainFromTheIv)
{
    for (const VecBlock& block : ReadVecFile("aes_modes.vec")) {
        SCOPED_TRACE(block.header);
        auto cipher = CipherFor(block);
        ASSERT_TRUE(cipher.has_value());
        const Bytes plain = block.hex("In");
        Bytes firstBlockOnly(plain.begin(), plain.begin() + 16);
        ASSERT_TRUE(cipher->Encrypt(firstBlockOnly).ok());
        Bytes whole = plain;
        ASSERT_TRUE(cipher->Encrypt(whole).ok());
        Bytes again = plain;
        ASSERT_TRUE(cipher->Encrypt(again).ok());
        const Bytes expected = block.hex("Out");
        EXPECT_EQ(HexText(firstBlockOnly), HexText(Bytes(expected.begin(), expected.begin() + 16)));
        EXPECT_EQ(HexText(whole), HexText(expected));
        EXPECT_EQ(HexText(again), HexText(expected));
    }
}

TEST(AesCipher, TheIvDoesNotChangeEcb)
{
    const Bytes key(16, 0x11);
    const Bytes plain = PatternBytes(64, 3);
    Bytes first = plain, second = plain;
    auto a = AesCipher::Setup(AesModeCodeEcb, 16, key.data(), std::array<std::uint8_t, 16>{});
    std::array<std::uint8_t, 16> otherIv{};
    otherIv.fill(0xA5);
    auto b = AesCipher::Setup(AesModeCodeEcb, 16, key.data(), otherIv);
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(a->Encrypt(first).ok());
    ASSERT_TRUE(b->Encrypt(second).ok());
    EXPECT_EQ(first, second);
    EXPECT_NE(first, plain);
}

TEST(AesCipher, SetupRefusesWhatNoChoiceGives)
{
    const Bytes key(32, 1);
    const std::array<std::uint8_t, 16> iv{};
    EXPECT_FALSE(AesCipher::Setup(AesModeCodeCbc, 0, key.data(), iv).has_value());
    EXPECT_FALSE(AesCipher::Setup(AesModeCodeCbc, 20, key.data(), iv).has_value());
    EXPECT_FALSE(AesCipher::Setup(AesModeCodeCbc, 64, key.data(), iv).has_value());
    EXPECT_FALSE(AesCipher::Setup(-1, 16, key.data(), iv).has_value());
    EXPECT_FALSE(AesCipher::Setup(2, 16, key.data(), iv).has_value());
}

TEST(AesCipher, RefusesAPartialBlockAndLeavesTheBufferAlone)
{
    const Bytes key(16, 7);
    auto cipher = AesCipher::Setup(AesModeCodeCbc, 16, key.data(), std::array<std::uint8_t, 16>{});
    ASSERT_TRUE(cipher.has_value());
    Bytes buffer = PatternBytes(24, 9);
    const Bytes before = buffer;
    EXPECT_FALSE(cipher->Encrypt(buffer).ok());
    EXPECT_EQ(buffer, before);
    Bytes empty;
    EXPECT_TRUE(cipher->Encrypt(empty).ok());
}

TEST(AesSettings, IndicesGiveKeyLengthsModeCodesAndRecordedValues)
{
    EXPECT_EQ(AesKeyLengthBytes(0), 16);
    EXPECT_EQ(AesKeyLengthBytes(1), 24);
    EXPECT_EQ(AesKeyLengthBytes(2), 32);
    EXPECT_EQ(AesKeyLengthBytes(3), 0);
    EXPECT_EQ(AesKeyLengthBytes(-1), 0);
    EXPECT_EQ(AesModeCode(0), 0);
    EXPECT_EQ(AesModeCode(1), 1);
    EXPECT_EQ(AesModeCode(2), 29);
    EXPECT_EQ(AesModeCode(3), 29);
    EXPECT_EQ(AesModeCode(4), -1);
    EXPECT_EQ(AesCipherChoice(2, 1), 0x21u);
    EXPECT_EQ(AesEncryptedFlags(2, 1), 0x25u);
    EXPECT_EQ(AesCipherChoice(0, 0), 0u);
    EXPECT_EQ(AesEncryptedFlags(0, 0), 4u);
    EXPECT_EQ(AesCipherChoice(1, 3), 0x13u);
    EXPECT_EQ(AesEncryptedFlags(1, 3), 0x17u);
}

TEST(Sha1, GivesTheFipsDigests)
{
    const auto blocks = ReadVecFile("sha1.vec");
    ASSERT_EQ(blocks.size(), 3u);
    for (const VecBlock& block : blocks) {
        SCOPED_TRACE(block.at("In"));
        const std::string& text = block.at("In");
        Sha1Digest digest{};
        ASSERT_TRUE(Sha1(Bytes(text.begin(), text.end()), digest).ok());
        EXPECT_EQ(HexText(Bytes(digest.begin(), digest.end())), block.at("Out"));
    }
}

}  // namespace
}  // namespace vantrel::testing
