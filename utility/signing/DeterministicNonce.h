#pragma once

#include <cstddef>
#include <memory>

#include <openssl/evp.h>

#include "core/OpenSslHandles.h"
#include "core/Secret.h"

namespace vantrel {

// The signing nonces of RFC 6979, section 3.2: derived from the private key
// and the message digest with HMAC, so no nonce depends on a clock or on a
// random source, and the same key never signs two messages with one k.
class DeterministicNonce {
public:
    // q: the order of the base point; hash: the HMAC's hash (the hash of
    // the message digest).
    DeterministicNonce(const BIGNUM* q, const EVP_MD* hash);

    // Steps b to f for private key x (1 <= x < q) and message digest h1.
    // False when the library fails.
    bool Start(const BIGNUM* x, const unsigned char* h1, std::size_t h1Length, BN_CTX* context);

    // Step h: the next candidate k with 1 <= k < q. The first call gives the
    // nonce of the RFC; each further call the one to use when the signature
    // came out with r or s zero. Null when the library fails.
    BignumPtr Next();

private:
    bool Hmac(const unsigned char* data, std::size_t length, unsigned char* out) const;
    bool Hmac(const unsigned char* v, unsigned char separator, const SecretBytes* tail, unsigned char* out) const;
    bool UpdateKey(unsigned char separator, const SecretBytes* tail);
    BignumPtr BitsToInt(const unsigned char* bits, std::size_t length) const;

    const BIGNUM* q_;
    const EVP_MD* hash_;
    int qlen_;              // bits of q
    std::size_t rolen_;     // bytes of q, rounded up
    std::size_t hlen_;      // bytes of the hash
    SecretBytes k_;
    SecretBytes v_;
    bool started_ = false;
    bool drawn_ = false;
};

}  // namespace vantrel
