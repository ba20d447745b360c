#include "signing/DeterministicNonce.h"

#include <cstring>

#include <openssl/core_names.h>
#include <openssl/params.h>

namespace vantrel {

DeterministicNonce::DeterministicNonce(const BIGNUM* q, const EVP_MD* hash)
    : q_(q),
      hash_(hash),
      qlen_(BN_num_bits(q)),
      rolen_(static_cast<std::size_t>(BN_num_bytes(q))),
      hlen_(static_cast<std::size_t>(EVP_MD_get_size(hash))),
      k_(hlen_),
      v_(hlen_)
{
}

bool DeterministicNonce::Hmac(const unsigned char* data, std::size_t length, unsigned char* out) const
{
    MacPtr mac(EVP_MAC_fetch(nullptr, OSSL_MAC_NAME_HMAC, nullptr));
    MacCtxPtr context(mac ? EVP_MAC_CTX_new(mac.get()) : nullptr);
    if (!context)
        return false;
    OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, const_cast<char*>(EVP_MD_get0_name(hash_)), 0),
        OSSL_PARAM_construct_end()};
    std::size_t written = 0;
    return EVP_MAC_init(context.get(), k_.data(), k_.size(), parameters) == 1 &&
           EVP_MAC_update(context.get(), data, length) == 1 &&
           EVP_MAC_final(context.get(), out, &written, hlen_) == 1 && written == hlen_;
}

// HMAC_K(V || separator || tail).
bool DeterministicNonce::Hmac(const unsigned char* v, unsigned char separator, const SecretBytes* tail,
                              unsigned char* out) const
{
    SecretBytes message(hlen_ + 1 + (tail ? tail->size() : 0));
    std::memcpy(message.data(), v, hlen_);
    message.data()[hlen_] = separator;
    if (tail)
        std::memcpy(message.data() + hlen_ + 1, tail->data(), tail->size());
    return Hmac(message.data(), message.size(), out);
}

// K = HMAC_K(V || separator [|| tail]); V = HMAC_K(V).
bool DeterministicNonce::UpdateKey(unsigned char separator, const SecretBytes* tail)
{
    SecretBytes key(hlen_);
    if (!Hmac(v_.data(), separator, tail, key.data()))
        return false;
    std::memcpy(k_.data(), key.data(), hlen_);
    return Hmac(v_.data(), hlen_, v_.data());
}

// bits2int: the leftmost qlen bits of the string, as a big-endian integer.
BignumPtr DeterministicNonce::BitsToInt(const unsigned char* bits, std::size_t length) const
{
    BignumPtr value(BN_bin2bn(bits, static_cast<int>(length), nullptr));
    const int excess = static_cast<int>(8 * length) - qlen_;
    if (value && excess > 0 && !BN_rshift(value.get(), value.get(), excess))
        return nullptr;
    return value;
}

bool DeterministicNonce::Start(const BIGNUM* x, const unsigned char* h1, std::size_t h1Length, BN_CTX* context)
{
    // The seed material: int2octets(x) || bits2octets(h1).
    SecretBytes seed(2 * rolen_);
    BignumPtr z = BitsToInt(h1, h1Length);
    if (!z || !BN_nnmod(z.get(), z.get(), q_, context))
        return false;
    if (BN_bn2binpad(x, seed.data(), static_cast<int>(rolen_)) < 0 ||
        BN_bn2binpad(z.get(), seed.data() + rolen_, static_cast<int>(rolen_)) < 0)
        return false;
    std::memset(v_.data(), 0x01, hlen_);
    std::memset(k_.data(), 0x00, hlen_);
    started_ = UpdateKey(0x00, &seed) && UpdateKey(0x01, &seed);
    drawn_ = false;
    return started_;
}

BignumPtr DeterministicNonce::Next()
{
    if (!started_ || (drawn_ && !UpdateKey(0x00, nullptr)))
        return nullptr;
    drawn_ = true;
    const std::size_t blocks = (rolen_ + hlen_ - 1) / hlen_;
    SecretBytes t(blocks * hlen_);
    for (;;) {
        for (std::size_t i = 0; i < blocks; ++i) {
            if (!Hmac(v_.data(), hlen_, v_.data()))
                return nullptr;
            std::memcpy(t.data() + i * hlen_, v_.data(), hlen_);
        }
        BignumPtr k = BitsToInt(t.data(), rolen_);
        if (!k)
            return nullptr;
        if (!BN_is_zero(k.get()) && BN_cmp(k.get(), q_) < 0) {
            BN_set_flags(k.get(), BN_FLG_CONSTTIME);
            return k;
        }
        if (!UpdateKey(0x00, nullptr))
            return nullptr;
    }
}

}  // namespace vantrel
