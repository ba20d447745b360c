#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SigningTestSupport.h"
#include "signing/PrivateKeyDraw.h"
#include "signing/SubtractBorrowGenerator.h"

namespace vantrel {
namespace {

using testing::Hex;
using testing::HexNumber;

std::vector<std::uint32_t> FirstWords(std::uint32_t seed, int count)
{
    SubtractBorrowGenerator generator;
    generator.Seed(seed);
    std::vector<std::uint32_t> words;
    for (int i = 0; i < count; ++i)
        words.push_back(generator.NextWord());
    return words;
}

// Check values of the generator the Pelora key pair has always come from.
TEST(SubtractBorrowGenerator, ReproducesTheWordsOfThePeloraSeed)
{
    EXPECT_EQ(FirstWords(0xC4913E7A, 8),
              (std::vector<std::uint32_t>{0xF2A17871, 0xFFC91C01, 0xE4AD3BE2, 0x339426C0, 0xD93929D2, 0xCEB3439E,
                                          0xFA46185E, 0xFF18EEDE}));
}

// Seed 0 meets the case where a subtraction leaves the word unchanged and
// the borrow must stay as it was.
TEST(SubtractBorrowGenerator, ReproducesTheWordsOfSeedZero)
{
    EXPECT_EQ(FirstWords(0, 4), (std::vector<std::uint32_t>{0x81670442, 0x96AD19A7, 0x9C009657, 0x971776A7}));
}

TEST(SubtractBorrowGenerator, SeedingRestartsTheSequence)
{
    SubtractBorrowGenerator generator;
    generator.Seed(0);
    generator.NextWord();
    generator.Seed(0xC4913E7A);
    EXPECT_EQ(generator.NextWord(), 0xF2A17871u);
}

// A bound of one word: the first word F2A17871 is already at least the bound,
// so exactly one word is drawn.
TEST(SubtractBorrowGenerator, DrawsAsManyWordsAsTheBoundHas)
{
    SubtractBorrowGenerator generator;
    generator.Seed(0xC4913E7A);
    BnCtxPtr context(BN_CTX_new());
    BignumPtr value = generator.DrawBelow(HexNumber("10").get(), context.get());
    ASSERT_TRUE(value);
    EXPECT_EQ(Hex(value.get()), "01");
    EXPECT_EQ(generator.NextWord(), 0xFFC91C01u);
}

// F2A17871 is below FFFFFFFF, so one more word is drawn as the new most
// significant one, and the value is reduced.
TEST(SubtractBorrowGenerator, DrawsOneMoreWordWhenTheValueIsStillBelowTheBound)
{
    SubtractBorrowGenerator generator;
    generator.Seed(0xC4913E7A);
    BnCtxPtr context(BN_CTX_new());
    const BignumPtr bound = HexNumber("FFFFFFFF");
    BignumPtr value = generator.DrawBelow(bound.get(), context.get());
    ASSERT_TRUE(value);
    BignumPtr expected = HexNumber("FFC91C01F2A17871");
    ASSERT_TRUE(BN_mod(expected.get(), expected.get(), bound.get(), context.get()));
    EXPECT_EQ(BN_cmp(value.get(), expected.get()), 0) << Hex(value.get());
    EXPECT_EQ(generator.NextWord(), 0xE4AD3BE2u);
}

TEST(PeloraPrivateKey, IsTheKnownKeyOfK163)
{
    BnCtxPtr context(BN_CTX_new());
    BignumPtr d = PeloraPrivateKey(HexNumber("4000000000000000000020108A2E0CC0D99F8A5EF").get(), context.get());
    ASSERT_TRUE(d);
    EXPECT_EQ(Hex(d.get()), "02D93929D23393BF31D7C711119255F283E2DD8DC8");
}

TEST(RandomPrivateKey, StaysWithinOneToQMinusOne)
{
    BnCtxPtr context(BN_CTX_new());
    const BignumPtr q = HexNumber("3");
    bool seen[3] = {};
    for (int i = 0; i < 200; ++i) {
        BignumPtr d = RandomPrivateKey(q.get(), context.get());
        ASSERT_TRUE(d);
        ASSERT_FALSE(BN_is_zero(d.get()));
        ASSERT_LT(BN_cmp(d.get(), q.get()), 0);
        seen[BN_get_word(d.get())] = true;
    }
    EXPECT_TRUE(seen[1] && seen[2]);
}

}  // namespace
}  // namespace vantrel
