#include "keys/KeyCurve.h"

#include <openssl/objects.h>


namespace vantrel {

std::string CurveShortName(const EC_GROUP* group)
{
    // A group read from a key file may carry its name; one set up from
    // parameters is looked up among the curves OpenSSL knows.
    int nid = EC_GROUP_get_curve_name(group);
    if (nid == NID_undef)
        nid = EC_GROUP_check_named_curve(group, 0, nullptr);
    const char* name = nid > 0 ? OBJ_nid2sn(nid) : nullptr;
    return name ? std::string(name) : std::string();
}

std::string CurveDescription(const EC_GROUP* group)
{
    const std::string name = CurveShortName(group);
    if (!name.empty())
        return name;
    return "an unnamed curve of " + std::to_string(EC_GROUP_get_degree(group)) + " bits";
}

bool IsPrivateKeyOf(const Curve& curve, const BIGNUM* d)
{
    return !BN_is_zero(d) && !BN_is_negative(d) && BN_cmp(d, EC_GROUP_get0_order(curve.group.get())) < 0;
}

Outcome<PublicKeyNumbers> PublicPointOf(const Curve& curve, const BIGNUM* d)
{
    const EC_GROUP* group = curve.group.get();
    BnCtxPtr context(BN_CTX_secure_new());
    BignumPtr scalar(d ? BN_dup(d) : nullptr);
    EcPointPtr point(context ? EC_POINT_new(group) : nullptr);
    PublicKeyNumbers numbers{BignumPtr(BN_new()), BignumPtr(BN_new())};
    if (!scalar || !point || !numbers.x || !numbers.y)
        return Outcome<PublicKeyNumbers>::Fail("Problem - out of memory: " + OpenSslErrorText());
    BN_set_flags(scalar.get(), BN_FLG_CONSTTIME);
    if (!EC_POINT_mul(group, point.get(), scalar.get(), nullptr, nullptr, context.get()) ||
        !EC_POINT_get_affine_coordinates(group, point.get(), numbers.x.get(), numbers.y.get(), context.get()))
        return Outcome<PublicKeyNumbers>::Fail("Problem - the public key cannot be computed: " + OpenSslErrorText());
    return numbers;
}

}  // namespace vantrel
