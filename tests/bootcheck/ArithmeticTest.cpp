// The field and curve arithmetic of the boot check where the protected
// images cannot reach it: the inverse of 1, the point at infinity and the
// largest scalar. Everything else is carried by the images (the agreement
// tests, the boots and the differential fuzz target).
#include <gtest/gtest.h>

extern "C" {
#include "curve.h"
}

namespace {

TEST(BootcheckArithmetic, EdgesOfTheFieldAndTheGroup)
{
    gf2m one, inverse;
    gf2m_set_small(one, 1);
    gf2m_invert(inverse, one);
    EXPECT_TRUE(gf2m_equal(inverse, one)) << "1^-1 = 1";

    struct affine_point base, result;
    curve_base_point(&base);
    ASSERT_TRUE(curve_contains(&base));
    const scalar order = CURVE_Q;
    const scalar zero = {0};
    scalar orderMinusOne = CURVE_Q;
    orderMinusOne[0] -= 1;  // q is odd: no borrow

    curve_double_multiply(&result, order, &base, zero, &base);
    EXPECT_TRUE(result.infinity) << "q G is the point at infinity";

    curve_double_multiply(&result, orderMinusOne, &base, zero, &base);
    gf2m negatedY;  // -(x, y) = (x, x + y)
    gf2m_add(negatedY, base.x, base.y);
    ASSERT_FALSE(result.infinity);
    EXPECT_TRUE(gf2m_equal(result.x, base.x) && gf2m_equal(result.y, negatedY)) << "(q-1) G = -G";

    const scalar one_ = {1};
    curve_double_multiply(&result, orderMinusOne, &base, one_, &base);
    EXPECT_TRUE(result.infinity) << "(q-1) G + G: the sum P + (-P) is infinity";
}

}  // namespace
