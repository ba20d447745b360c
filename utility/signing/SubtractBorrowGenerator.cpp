#include "signing/SubtractBorrowGenerator.h"

#include "core/Secret.h"

namespace vantrel {

void SubtractBorrowGenerator::Seed(std::uint32_t seed)
{
    borrow_ = 0;
    position_ = 0;
    table_[0] = seed;
    std::uint32_t next = 1;
    for (int i = 1; i < Size; ++i) {
        table_[(14 * i) % Size] = next;
        const std::uint32_t previous = next;
        next = seed - next;
        seed = previous;
    }
    for (int i = 0; i < 1000; ++i)
        NextWord();
}

std::uint32_t SubtractBorrowGenerator::NextWord()
{
    if (++position_ < Size)
        return table_[position_];
    position_ = 0;
    Refill();
    return table_[0];
}

void SubtractBorrowGenerator::Refill()
{
    for (int i = 0; i < Size; ++i) {
        const std::uint32_t t = table_[(i + Lag) % Size];
        const std::uint32_t v = t - table_[i] - borrow_;
        // When v equals t the borrow stays as it was.
        if (v < t)
            borrow_ = 0;
        if (v > t)
            borrow_ = 1;
        table_[i] = v;
    }
}

BignumPtr SubtractBorrowGenerator::DrawBelow(const BIGNUM* bound, BN_CTX* context)
{
    if (BN_is_zero(bound))
        return nullptr;
    const std::size_t boundWords = (static_cast<std::size_t>(BN_num_bytes(bound)) + 3) / 4;
    // As many words as the bound has, and one more when that value is still
    // below the bound; its little-endian bytes.
    SecretBytes bytes(4 * (boundWords + 1));
    auto drawWord = [&](std::size_t index) {
        const std::uint32_t word = NextWord();
        for (int i = 0; i < 4; ++i)
            bytes.data()[4 * index + static_cast<std::size_t>(i)] = static_cast<unsigned char>(word >> (8 * i));
    };
    for (std::size_t i = 0; i < boundWords; ++i)
        drawWord(i);
    BignumPtr value(BN_new());
    BignumPtr remainder(BN_new());
    if (!value || !remainder || !BN_lebin2bn(bytes.data(), static_cast<int>(4 * boundWords), value.get()))
        return nullptr;
    if (BN_cmp(value.get(), bound) < 0) {
        drawWord(boundWords);
        if (!BN_lebin2bn(bytes.data(), static_cast<int>(bytes.size()), value.get()))
            return nullptr;
    }
    if (!BN_nnmod(remainder.get(), value.get(), bound, context))
        return nullptr;
    return remainder;
}

}  // namespace vantrel
