#include "signing/CurveChecks.h"

#include <string>

namespace vantrel {

namespace {

constexpr int MinOrderBits = 160;
constexpr int MaxOrderBits = 192;

}  // namespace

Status CheckCurveOrder(const CurveParameters& parameters)
{
    const int bits = BN_num_bits(parameters.q.get());
    if (bits < MinOrderBits)
        return Status::Fail("Problem - the order q in ecc_koblitz.ecs has " + std::to_string(bits) +
                            " bits; signing needs at least " + std::to_string(MinOrderBits) +
                            ", as the whole SHA-1 digest is the message integer");
    if (bits > MaxOrderBits)
        return Status::Fail("Problem - the order q in ecc_koblitz.ecs has more than 192 bits, but "
                            "digital_signature holds r and s in 24 bytes each");
    // q >= 2^(m-2): q has at least m-1 bits.
    if (bits < parameters.m - 1)
        return Status::Fail("Problem - the order q in ecc_koblitz.ecs is smaller than 2^(m-2), so the curve's "
                            "cofactor would be larger than 4");
    return Done{};
}

bool IsInPrimeOrderGroup(const EC_GROUP* group, const EC_POINT* point, BN_CTX* context)
{
    EcPointPtr product(EC_POINT_new(group));
    return product && EC_POINT_is_on_curve(group, point, context) == 1 &&
           EC_POINT_is_at_infinity(group, point) == 0 &&
           EC_POINT_mul(group, product.get(), nullptr, point, EC_GROUP_get0_order(group), context) == 1 &&
           EC_POINT_is_at_infinity(group, product.get()) == 1;
}

}  // namespace vantrel
