#pragma once

#include <openssl/bn.h>

#include "core/Outcome.h"

namespace vantrel {

// Whether a polynomial over GF(2) (bit i of the number is the coefficient of
// t^i) of degree m >= 2 is irreducible, so that GF(2)[t] modulo it is the
// field GF(2^m). A reducible one gives a ring with zero divisors, where the
// library's blinded inversions and ladder fail or succeed at random.
// Deterministic: Rabin's test, t^(2^m) = t and gcd(t^(2^(m/p)) - t, f) = 1
// for every prime p dividing m. Fails only when the library runs out of
// memory.
Outcome<bool> IsIrreducible(const BIGNUM* polynomial, BN_CTX* context);

}  // namespace vantrel
