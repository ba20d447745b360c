#include "signing/SignatureCheck.h"

#include <optional>

#include "core/OpenSslHandles.h"
#include "core/Sha1.h"
#include "signing/BasePoint.h"
#include "signing/CurveChecks.h"
#include "signing/CurveFile.h"
#include "signing/EcdsaSign.h"
#include "signing/KeyFiles.h"

namespace vantrel {

namespace {

// The curve of the curve file, read and checked exactly as the signing
// reads it (same reading rules, base point on the curve and of order q), so a
// curve file that signing refuses never verifies either.
struct CheckedCurve {
    Curve loaded;
    const EC_POINT* base = nullptr;
    const BIGNUM* order = nullptr;
};

std::optional<CheckedCurve> ReadCurve(const std::string& path, std::string& detail)
{
    Outcome<Curve> loaded = LoadCurveFile(path);
    if (!loaded.ok()) {
        detail = "the curve file " + path + " is not usable: " + loaded.message();
        return std::nullopt;
    }
    CheckedCurve curve{std::move(loaded.value()), nullptr, nullptr};
    curve.base = EC_GROUP_get0_generator(curve.loaded.group.get());
    curve.order = curve.loaded.parameters.q.get();
    return curve;
}

// The public key file, read by the same rules as the signing reads its key
// files, as a point of the curve.
EcPointPtr ReadPublicPoint(const std::string& path, const CheckedCurve& curve, BN_CTX* ctx, std::string& detail)
{
    Outcome<PublicKeyNumbers> numbers = ReadPublicKey(path);
    if (!numbers) {
        detail = numbers.message();
        return nullptr;
    }
    const EC_GROUP* group = curve.loaded.group.get();
    EcPointPtr point(EC_POINT_new(group));
    if (!point ||
        !EC_POINT_set_affine_coordinates(group, point.get(), numbers.value().x.get(), numbers.value().y.get(), ctx) ||
        EC_POINT_is_on_curve(group, point.get(), ctx) != 1) {
        detail = "the public key file " + path + " does not hold a point of the curve";
        return nullptr;
    }
    if (!IsInPrimeOrderGroup(group, point.get(), ctx)) {
        detail = "the public key file " + path + " holds a point outside the group of order q of the curve";
        return nullptr;
    }
    return point;
}

// h: the whole SHA-1 digest as an integer, first byte most significant.
BignumPtr MessageDigestNumber(const Sha1Digest& digest)
{
    return BignumPtr(BN_bin2bn(digest.data(), static_cast<int>(digest.size()), nullptr));
}

bool InRange(const BIGNUM* value, const BIGNUM* order)
{
    return !BN_is_zero(value) && !BN_is_negative(value) && BN_cmp(value, order) < 0;
}

// x(u1*G + u2*W) mod q == r, with w = s^-1, u1 = h*w, u2 = r*w (mod q).
bool SignatureEquationHolds(const CheckedCurve& curve, const EC_POINT* publicPoint, const BIGNUM* h, const BIGNUM* r,
                            const BIGNUM* s, BN_CTX* ctx, std::string& detail)
{
    const EC_GROUP* group = curve.loaded.group.get();
    const BIGNUM* q = curve.order;
    BignumPtr w(BN_mod_inverse(nullptr, s, q, ctx));
    BignumPtr u1(BN_new()), u2(BN_new()), x(BN_new()), v(BN_new());
    EcPointPtr p1(EC_POINT_new(group)), p2(EC_POINT_new(group));
    const bool computed = w && u1 && u2 && x && v && p1 && p2 && BN_mod_mul(u1.get(), h, w.get(), q, ctx) &&
                          BN_mod_mul(u2.get(), r, w.get(), q, ctx) &&
                          EC_POINT_mul(group, p1.get(), nullptr, curve.base, u1.get(), ctx) &&
                          EC_POINT_mul(group, p2.get(), nullptr, publicPoint, u2.get(), ctx) &&
                          EC_POINT_add(group, p1.get(), p1.get(), p2.get(), ctx);
    if (!computed) {
        detail = "the signature equation could not be computed: " + OpenSslErrorText();
        return false;
    }
    if (EC_POINT_is_at_infinity(group, p1.get()) ||
        !EC_POINT_get_affine_coordinates(group, p1.get(), x.get(), nullptr, ctx) ||
        !BN_nnmod(v.get(), x.get(), q, ctx) || BN_cmp(v.get(), r) != 0) {
        detail = "the signature does not match the message and the public key";
        return false;
    }
    return true;
}

}  // namespace

bool CheckSignature(const SignatureInputs& inputs, std::string& detail)
{
    BnCtxPtr ctx(BN_CTX_new());
    if (!ctx) {
        detail = OpenSslErrorText();
        return false;
    }
    const auto curve = ReadCurve(inputs.curvePath, detail);
    if (!curve)
        return false;
    const EcPointPtr publicPoint = ReadPublicPoint(inputs.publicKeyPath, *curve, ctx.get(), detail);
    if (!publicPoint)
        return false;
    if (inputs.signature.size() < 2 * static_cast<std::size_t>(SignatureValueBytes)) {
        detail = "digital_signature holds " + std::to_string(inputs.signature.size()) + " bytes, fewer than 48";
        return false;
    }
    const unsigned char* bytes = inputs.signature.data();
    BignumPtr r(BN_lebin2bn(bytes, SignatureValueBytes, nullptr));
    BignumPtr s(BN_lebin2bn(bytes + SignatureValueBytes, SignatureValueBytes, nullptr));
    BignumPtr h = MessageDigestNumber(inputs.messageDigest);
    if (!r || !s || !h) {
        detail = OpenSslErrorText();
        return false;
    }
    if (!InRange(r.get(), curve->order) || !InRange(s.get(), curve->order)) {
        detail = "digital_signature does not hold a signature (r or s out of range; is the image signed?)";
        return false;
    }
    return SignatureEquationHolds(*curve, publicPoint.get(), h.get(), r.get(), s.get(), ctx.get(), detail);
}

}  // namespace vantrel
