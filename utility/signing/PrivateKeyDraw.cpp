#include "signing/PrivateKeyDraw.h"

#include <array>
#include <cstdint>
#include <string>

#include <openssl/rand.h>

#include "core/HexText.h"
#include "signing/SubtractBorrowGenerator.h"

namespace vantrel {

BignumPtr PeloraPrivateKey(const BIGNUM* q, BN_CTX* context)
{
    // The seed text decodes into the bytes of eight words, each word
    // little-endian; as many words are used as the bytes fill.
    std::string text = PeloraSeedText;
    if (text.size() % 2 != 0)
        text.insert(0, "0");
    std::array<std::uint8_t, 32> storage{};
    const int length = static_cast<int>(text.size());
    HexToBytes(text.c_str(), storage.data(), length);
    const int wordCount = (length / 2 + 3) / 4;

    SubtractBorrowGenerator generator;
    for (int i = 0; i < wordCount; ++i) {
        const std::uint8_t* bytes = storage.data() + 4 * i;
        generator.Seed(static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                       static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
    }
    return generator.DrawBelow(q, context);
}

BignumPtr RandomPrivateKey(const BIGNUM* q, BN_CTX* context)
{
    BignumPtr range(BN_dup(q));
    BignumPtr d(BN_secure_new());
    if (!range || !d || !BN_sub_word(range.get(), 1) || !BN_priv_rand_range_ex(d.get(), range.get(), 0, context) ||
        !BN_add_word(d.get(), 1))
        return nullptr;
    return d;
}

}  // namespace vantrel
