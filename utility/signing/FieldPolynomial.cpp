#include "signing/FieldPolynomial.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/OpenSslHandles.h"

namespace vantrel {

namespace {

// m / p for every prime p dividing m.
std::vector<int> MaximalProperDivisorSteps(int m)
{
    std::vector<int> steps;
    int rest = m;
    for (int p = 2; p * p <= rest; ++p) {
        if (rest % p != 0)
            continue;
        steps.push_back(m / p);
        while (rest % p == 0)
            rest /= p;
    }
    if (rest > 1)
        steps.push_back(m / rest);
    return steps;
}

// gcd(a, b) == 1 for polynomials over GF(2). The library reduces only
// modulo polynomials of at most five terms, so Euclid's remainders are
// taken here by shifted subtraction (XOR).
Outcome<bool> AreCoprime(const BIGNUM* first, const BIGNUM* second)
{
    BignumPtr a(BN_dup(first)), b(BN_dup(second)), shifted(BN_new());
    if (!a || !b || !shifted)
        return Outcome<bool>::Fail("out of memory");
    while (!BN_is_zero(b.get())) {
        while (BN_num_bits(a.get()) >= BN_num_bits(b.get())) {
            if (!BN_lshift(shifted.get(), b.get(), BN_num_bits(a.get()) - BN_num_bits(b.get())) ||
                !BN_GF2m_add(a.get(), a.get(), shifted.get()))
                return Outcome<bool>::Fail("out of memory");
        }
        std::swap(a, b);
    }
    return BN_is_one(a.get());
}

}  // namespace

Outcome<bool> IsIrreducible(const BIGNUM* polynomial, BN_CTX* context)
{
    const int m = BN_num_bits(polynomial) - 1;
    if (m < 2)
        return m == 1;
    BignumPtr t(BN_new()), power(BN_new()), difference(BN_new());
    if (!t || !power || !difference || !BN_set_bit(t.get(), 1) || !BN_copy(power.get(), t.get()))
        return Outcome<bool>::Fail("out of memory");
    const std::vector<int> steps = MaximalProperDivisorSteps(m);
    // power = t^(2^i) modulo the polynomial after i squarings.
    for (int i = 1; i <= m; ++i) {
        if (!BN_GF2m_mod_sqr(power.get(), power.get(), polynomial, context))
            return Outcome<bool>::Fail("out of memory");
        if (std::find(steps.begin(), steps.end(), i) == steps.end())
            continue;
        if (!BN_GF2m_add(difference.get(), power.get(), t.get()))
            return Outcome<bool>::Fail("out of memory");
        Outcome<bool> coprime = AreCoprime(difference.get(), polynomial);
        if (!coprime.ok() || !coprime.value())
            return coprime;
    }
    return BN_cmp(power.get(), t.get()) == 0;
}

}  // namespace vantrel
