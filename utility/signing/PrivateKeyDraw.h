#pragma once

#include "core/OpenSslHandles.h"

namespace vantrel {

// The seed text of the "Pelora" key pair.
inline constexpr const char* PeloraSeedText = "7a3e91c4";

// The "Pelora" private key below q: the subtract-with-borrow generator seeded
// from PeloraSeedText, one draw. The same curve always gives the same key.
// Null when the library fails.
BignumPtr PeloraPrivateKey(const BIGNUM* q, BN_CTX* context);

// A fresh private key, uniform in [1, q-1], from the library's private
// random generator (seeded by the operating system). q must be at least 2.
// Null when the library fails.
BignumPtr RandomPrivateKey(const BIGNUM* q, BN_CTX* context);

}  // namespace vantrel
