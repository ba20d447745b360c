#pragma once

#include <cstddef>

#include <openssl/evp.h>

#include "core/OpenSslHandles.h"
#include "core/Outcome.h"

namespace vantrel {

// Bytes each of r and s take in the digital_signature section (least
// significant first).
constexpr int SignatureValueBytes = 24;

struct EcdsaSignature {
    BignumPtr r, s;
};

// ECDSA over a group whose generator G and order q are set (BasePoint.h):
// k from DeterministicNonce with private key d, digest h1 and the HMAC hash;
// r = x(k*G) mod q; s = ((h + d*r) * k^-1) mod q with h the message integer
// as given (the caller decides whether it is shortened). A k that gives r or
// s zero is replaced by the next one. Fails with a "Problem - " message.
Outcome<EcdsaSignature> SignDigest(const EC_GROUP* group, const BIGNUM* d, const BIGNUM* h,
                                   const unsigned char* h1, std::size_t h1Length, const EVP_MD* hash,
                                   BN_CTX* context);

}  // namespace vantrel
