#include "signing/PeloraKey.h"

#include "signing/PrivateKeyDraw.h"

namespace vantrel {

namespace {

BignumPtr PeloraOf(const Curve& curve, BN_CTX* context)
{
    return PeloraPrivateKey(curve.parameters.q.get(), context);
}

}  // namespace

bool IsPeloraPrivateKey(const Curve& curve, const BIGNUM* d)
{
    BnCtxPtr context(BN_CTX_secure_new());
    BignumPtr pelora = context ? PeloraOf(curve, context.get()) : nullptr;
    return pelora && BN_cmp(pelora.get(), d) == 0;
}

bool IsPeloraPublicKey(const Curve& curve, const BIGNUM* x, const BIGNUM* y)
{
    const EC_GROUP* group = curve.group.get();
    BnCtxPtr context(BN_CTX_secure_new());
    BignumPtr d = context ? PeloraOf(curve, context.get()) : nullptr;
    EcPointPtr point(EC_POINT_new(group));
    BignumPtr px(BN_new()), py(BN_new());
    return d && point && px && py &&
           EC_POINT_mul(group, point.get(), d.get(), nullptr, nullptr, context.get()) == 1 &&
           EC_POINT_get_affine_coordinates(group, point.get(), px.get(), py.get(), context.get()) == 1 &&
           BN_cmp(px.get(), x) == 0 && BN_cmp(py.get(), y) == 0;
}

}  // namespace vantrel
