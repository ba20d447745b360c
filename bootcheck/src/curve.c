/*
 * Point arithmetic in Lopez-Dahab projective coordinates: (X, Y, Z) stands
 * for the affine point (X/Z, Y/Z^2), and Z = 0 for the point at infinity.
 * Doubling and adding an affine point then need no field inversion; one
 * inversion at the end gives the affine result. The formulas are those
 * published for curves with A in {0, 1} (Hankerson, Menezes, Vanstone,
 * "Guide to Elliptic Curve Cryptography", algorithms 3.24 and 3.25).
 */
#include "curve.h"

struct projective_point {
    gf2m x, y, z;
};

static const gf2m curve_b = CURVE_B;

/* Koblitz curves have B = 1, which saves a multiplication per doubling. */
static int b_is_one(void)
{
    gf2m one;
    gf2m_set_small(one, 1);
    return gf2m_equal(curve_b, one);
}

void curve_base_point(struct affine_point* point)
{
    static const gf2m base_x = CURVE_GX, base_y = CURVE_GY;
    gf2m_copy(point->x, base_x);
    gf2m_copy(point->y, base_y);
    point->infinity = 0;
}

int curve_contains(const struct affine_point* point)
{
    gf2m left, right, term;
    if (point->infinity)
        return 1;
    gf2m_square(left, point->y); /* y^2 + xy */
    gf2m_multiply(term, point->x, point->y);
    gf2m_add(left, left, term);
    gf2m_square(term, point->x); /* x^3 + A x^2 + B */
    gf2m_multiply(right, term, point->x);
    if (CURVE_A_IS_ONE)
        gf2m_add(right, right, term);
    gf2m_add(right, right, curve_b);
    return gf2m_equal(left, right);
}

static void set_infinity(struct projective_point* point)
{
    gf2m_set_small(point->x, 1);
    gf2m_set_small(point->y, 0);
    gf2m_set_small(point->z, 0);
}

static void from_affine(struct projective_point* to, const struct affine_point* from)
{
    if (from->infinity) {
        set_infinity(to);
        return;
    }
    gf2m_copy(to->x, from->x);
    gf2m_copy(to->y, from->y);
    gf2m_set_small(to->z, 1);
}

/* x = X/Z, y = Y/Z^2. */
static void to_affine(struct affine_point* to, const struct projective_point* from)
{
    gf2m inverse;
    if (gf2m_is_zero(from->z)) {
        to->infinity = 1;
        return;
    }
    gf2m_invert(inverse, from->z);
    gf2m_multiply(to->x, from->x, inverse);
    gf2m_square(inverse, inverse);
    gf2m_multiply(to->y, from->y, inverse);
    to->infinity = 0;
}

/* 2P: Z3 = X1^2 Z1^2, X3 = X1^4 + B Z1^4, Y3 = B Z1^4 Z3 + X3 (A Z3 + Y1^2 + B Z1^4).
   A point of order two (X1 = 0) and infinity (Z1 = 0) give Z3 = 0. */
static void point_double(struct projective_point* p)
{
    gf2m x_squared, z_squared, b_z4, t;
    gf2m_square(x_squared, p->x);
    gf2m_square(z_squared, p->z);
    gf2m_multiply(p->z, x_squared, z_squared);
    gf2m_square(b_z4, z_squared);
    if (!b_is_one())
        gf2m_multiply(b_z4, b_z4, curve_b);
    gf2m_square(x_squared, x_squared);
    gf2m_add(p->x, x_squared, b_z4);          /* X3 */
    gf2m_square(t, p->y);
    gf2m_add(t, t, b_z4);
    if (CURVE_A_IS_ONE)
        gf2m_add(t, t, p->z);
    gf2m_multiply(t, t, p->x);                /* X3 (A Z3 + Y1^2 + B Z1^4) */
    gf2m_multiply(p->y, b_z4, p->z);
    gf2m_add(p->y, p->y, t);
}

/* P + Q with Q affine and not infinity (algorithm 3.25). */
static void point_add_affine(struct projective_point* p, const struct affine_point* q)
{
    gf2m a, b, c, d, e, f, z_squared;
    if (gf2m_is_zero(p->z)) {
        from_affine(p, q);
        return;
    }
    gf2m_square(z_squared, p->z);
    gf2m_multiply(a, q->y, z_squared);
    gf2m_add(a, a, p->y);                      /* A = y2 Z1^2 + Y1 */
    gf2m_multiply(b, q->x, p->z);
    gf2m_add(b, b, p->x);                      /* B = x2 Z1 + X1 */
    if (gf2m_is_zero(b)) {
        /* Same x: P = Q (double it) or P = -Q (the sum is infinity). */
        if (gf2m_is_zero(a)) {
            from_affine(p, q);
            point_double(p);
        } else {
            set_infinity(p);
        }
        return;
    }
    gf2m_multiply(c, p->z, b);                 /* C = Z1 B */
    gf2m_copy(d, c);
    if (CURVE_A_IS_ONE)
        gf2m_add(d, d, z_squared);
    gf2m_square(e, b);
    gf2m_multiply(d, d, e);                    /* D = B^2 (C + A Z1^2) */
    gf2m_square(p->z, c);                      /* Z3 = C^2 */
    gf2m_multiply(e, a, c);                    /* E = A C */
    gf2m_square(p->x, a);
    gf2m_add(p->x, p->x, d);
    gf2m_add(p->x, p->x, e);                   /* X3 = A^2 + D + E */
    gf2m_multiply(f, q->x, p->z);
    gf2m_add(f, f, p->x);                      /* F = X3 + x2 Z3 */
    gf2m_add(e, e, p->z);
    gf2m_multiply(p->y, e, f);                 /* (E + Z3) F */
    gf2m_add(a, q->x, q->y);
    gf2m_square(z_squared, p->z);
    gf2m_multiply(a, a, z_squared);            /* G = (x2 + y2) Z3^2 */
    gf2m_add(p->y, p->y, a);
}

static void point_add_any(struct projective_point* p, const struct affine_point* q)
{
    if (!q->infinity)
        point_add_affine(p, q);
}

/* Shamir's trick: one pass of doublings over the bits of both scalars,
   adding p1, p2 or p1 + p2 as the pair of bits asks. */
void curve_double_multiply(struct affine_point* result, const scalar u1, const struct affine_point* p1,
                           const scalar u2, const struct affine_point* p2)
{
    struct affine_point sum;
    struct projective_point accumulator;
    unsigned bit = 32 * CURVE_SCALAR_WORDS;
    from_affine(&accumulator, p1);
    point_add_any(&accumulator, p2);
    to_affine(&sum, &accumulator);
    set_infinity(&accumulator);
    while (bit-- > 0) {
        const unsigned pair = scalar_bit(u1, bit) | scalar_bit(u2, bit) << 1;
        if (!gf2m_is_zero(accumulator.z))
            point_double(&accumulator);
        if (pair == 1)
            point_add_any(&accumulator, p1);
        else if (pair == 2)
            point_add_any(&accumulator, p2);
        else if (pair == 3)
            point_add_any(&accumulator, &sum);
    }
    to_affine(result, &accumulator);
}
