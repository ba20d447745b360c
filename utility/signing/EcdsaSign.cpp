#include "signing/EcdsaSign.h"

#include "signing/DeterministicNonce.h"

namespace vantrel {

namespace {

// Each candidate fails with a chance of about 2/q; a valid curve never
// comes near this many.
constexpr int MaxNonceAttempts = 64;

Outcome<EcdsaSignature> LibraryProblem()
{
    return Outcome<EcdsaSignature>::Fail("Problem - the signature cannot be computed: " + OpenSslErrorText());
}

// r = x(k*G) mod q; zero when k*G has no affine x. False on library failure.
bool ComputeR(const EC_GROUP* group, const BIGNUM* k, BIGNUM* r, BN_CTX* context)
{
    EcPointPtr point(EC_POINT_new(group));
    BignumPtr x(BN_new());
    if (!point || !x || !EC_POINT_mul(group, point.get(), k, nullptr, nullptr, context))
        return false;
    if (EC_POINT_is_at_infinity(group, point.get()) == 1) {
        BN_zero(r);
        return true;
    }
    return EC_POINT_get_affine_coordinates(group, point.get(), x.get(), nullptr, context) == 1 &&
           BN_nnmod(r, x.get(), EC_GROUP_get0_order(group), context) == 1;
}

// s = ((h + d*r) * k^-1) mod q.
bool ComputeS(const BIGNUM* q, const BIGNUM* d, const BIGNUM* h, const BIGNUM* k, const BIGNUM* r, BIGNUM* s,
              BN_CTX* context)
{
    BignumPtr inverse(BN_mod_inverse(nullptr, k, q, context));
    BignumPtr sum(BN_new());
    return inverse && sum && BN_mod_mul(sum.get(), d, r, q, context) == 1 &&
           BN_mod_add(sum.get(), sum.get(), h, q, context) == 1 &&
           BN_mod_mul(s, sum.get(), inverse.get(), q, context) == 1;
}

}  // namespace

Outcome<EcdsaSignature> SignDigest(const EC_GROUP* group, const BIGNUM* d, const BIGNUM* h,
                                   const unsigned char* h1, std::size_t h1Length, const EVP_MD* hash,
                                   BN_CTX* context)
{
    const BIGNUM* q = EC_GROUP_get0_order(group);
    DeterministicNonce nonce(q, hash);
    if (!nonce.Start(d, h1, h1Length, context))
        return LibraryProblem();
    EcdsaSignature signature{BignumPtr(BN_new()), BignumPtr(BN_new())};
    if (!signature.r || !signature.s)
        return LibraryProblem();
    for (int attempt = 0; attempt < MaxNonceAttempts; ++attempt) {
        BignumPtr k = nonce.Next();
        if (!k || !ComputeR(group, k.get(), signature.r.get(), context))
            return LibraryProblem();
        if (BN_is_zero(signature.r.get()))
            continue;
        if (!ComputeS(q, d, h, k.get(), signature.r.get(), signature.s.get(), context))
            return LibraryProblem();
        if (!BN_is_zero(signature.s.get()))
            return signature;
    }
    return Outcome<EcdsaSignature>::Fail("Problem - no nonce gives a valid signature on the curve of ecc_koblitz.ecs");
}

}  // namespace vantrel
