#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "core/OpenSslHandles.h"
#include "signing/FieldPolynomial.h"

namespace vantrel {
namespace {

// Remainder of a modulo b, both polynomials over GF(2) as bit masks.
std::uint32_t Remainder(std::uint32_t a, std::uint32_t b)
{
    while (a != 0 && std::bit_width(a) >= std::bit_width(b))
        a ^= b << (std::bit_width(a) - std::bit_width(b));
    return a;
}

bool HasNoFactor(std::uint32_t polynomial)
{
    const int degree = static_cast<int>(std::bit_width(polynomial)) - 1;
    for (std::uint32_t divisor = 2; static_cast<int>(std::bit_width(divisor)) - 1 <= degree / 2; ++divisor) {
        if (Remainder(polynomial, divisor) == 0)
            return false;
    }
    return true;
}

bool Irreducible(std::uint32_t polynomial, BN_CTX* context)
{
    BignumPtr number(BN_new());
    EXPECT_TRUE(number && BN_set_word(number.get(), polynomial));
    const Outcome<bool> result = IsIrreducible(number.get(), context);
    EXPECT_TRUE(result.ok()) << result.message();
    return result.ok() && result.value();
}

// Every trinomial and pentanomial up to degree 18 (the shapes a curve file
// can give), against trial division by every polynomial of at most half the
// degree: composite degrees with one, two and three prime factors and
// squares of irreducible factors are all among them.
TEST(IsIrreducible, AgreesWithTrialDivision)
{
    BnCtxPtr context(BN_CTX_new());
    int irreducible = 0, reducible = 0;
    for (int m = 2; m <= 18; ++m) {
        for (int a = 1; a < m; ++a) {
            for (int b = 0; b < a; ++b) {
                for (int c = (b == 0 ? 0 : 1); c < (b == 0 ? 1 : b); ++c) {
                    std::uint32_t polynomial = (1u << m) | (1u << a) | 1u;
                    if (b != 0)
                        polynomial |= (1u << b) | (1u << c);
                    const bool expected = HasNoFactor(polynomial);
                    ASSERT_EQ(Irreducible(polynomial, context.get()), expected)
                        << "m = " << m << ", a = " << a << ", b = " << b << ", c = " << c;
                    ++(expected ? irreducible : reducible);
                }
            }
        }
    }
    EXPECT_GT(irreducible, 100);
    EXPECT_GT(reducible, 100);
}

}  // namespace
}  // namespace vantrel
