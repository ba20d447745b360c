#pragma once

#include <array>
#include <cstdint>

#include "core/OpenSslHandles.h"

namespace vantrel {

// The deterministic generator behind the "Pelora" key pair: a lagged
// subtract-with-borrow generator of 37 32-bit words (lags 37 and 24), seeded
// and drawn from exactly as the key pairs of this system have always been
// made, so the same seed gives the same key pair in every implementation.
// Not a source of secrets: its output follows from the seed alone.
class SubtractBorrowGenerator {
public:
    // Restarts the state from seed and discards the first 1000 words.
    void Seed(std::uint32_t seed);

    std::uint32_t NextWord();

    // A number below bound: words are drawn, each new one the most
    // significant, until the value is at least bound when compared first by
    // word count and then by value; the result is that value mod bound.
    // Null when bound is zero or the library fails.
    BignumPtr DrawBelow(const BIGNUM* bound, BN_CTX* context);

private:
    static constexpr int Size = 37;
    static constexpr int Lag = 13;  // 37 - 24

    void Refill();

    std::array<std::uint32_t, Size> table_{};
    int position_ = 0;
    std::uint32_t borrow_ = 0;
};

}  // namespace vantrel
