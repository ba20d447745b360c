/* Arithmetic in GF(2^m), polynomial basis, with the reduction polynomial of
   the curve file. An element is CURVE_FIELD_WORDS 32-bit words, least
   significant first; bit i is the coefficient of t^i. Elements are always
   kept reduced (degree below m). */
#ifndef BOOTCHECK_GF2M_H
#define BOOTCHECK_GF2M_H

#include <stdint.h>

#include "curve_constants.h"

typedef uint32_t gf2m[CURVE_FIELD_WORDS];

void gf2m_copy(gf2m to, const gf2m from);
void gf2m_set_small(gf2m to, uint32_t value);
int gf2m_is_zero(const gf2m value);
int gf2m_equal(const gf2m a, const gf2m b);

/* Addition and subtraction are both XOR. result may be a or b. */
void gf2m_add(gf2m result, const gf2m a, const gf2m b);
/* result may be a or b. */
void gf2m_multiply(gf2m result, const gf2m a, const gf2m b);
void gf2m_square(gf2m result, const gf2m a);
/* The inverse of a non-zero element; 0 gives 0. */
void gf2m_invert(gf2m result, const gf2m a);

/* From big-endian bytes (the key format). 0 when the number has a bit at
   t^m or above, so it is no element of the field. */
int gf2m_from_bytes(gf2m to, const uint8_t* bytes, unsigned byte_count);

#endif
