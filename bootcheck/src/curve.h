/* Points of the curve y^2 + xy = x^3 + A x^2 + B over GF(2^m). */
#ifndef BOOTCHECK_CURVE_H
#define BOOTCHECK_CURVE_H

#include "gf2m.h"
#include "scalar.h"

/* An affine point; infinity marks the point at infinity (x, y unused). */
struct affine_point {
    gf2m x, y;
    int infinity;
};

void curve_base_point(struct affine_point* point);
/* 1 when the point is infinity or satisfies the curve's equation. */
int curve_contains(const struct affine_point* point);

/* result = u1 * p1 + u2 * p2, both scalars below 2^(32 * CURVE_SCALAR_WORDS). */
void curve_double_multiply(struct affine_point* result, const scalar u1, const struct affine_point* p1,
                           const scalar u2, const struct affine_point* p2);

#endif
