/* Integers modulo the prime order q of the base point: what ECDSA computes
   with besides points. CURVE_SCALAR_WORDS 32-bit words, least significant
   first. Nothing here is secret (signature, digest and public key are all
   public), so the code may branch on values. */
#ifndef BOOTCHECK_SCALAR_H
#define BOOTCHECK_SCALAR_H

#include <stdint.h>

#include "curve_constants.h"

typedef uint32_t scalar[CURVE_SCALAR_WORDS];

/* From little-endian bytes (r and s of digital_signature). 0 when the value
   does not fit the scalar's words. */
int scalar_from_le_bytes(scalar to, const uint8_t* bytes, unsigned byte_count);
/* From big-endian bytes (a SHA-1 digest read as one integer). */
int scalar_from_be_bytes(scalar to, const uint8_t* bytes, unsigned byte_count);

int scalar_is_zero(const scalar value);
int scalar_equal(const scalar a, const scalar b);
/* 1 when 1 <= value <= q - 1. */
int scalar_in_range(const scalar value);
/* value mod q, for a value below 2^(32 * CURVE_SCALAR_WORDS). */
void scalar_reduce(scalar value);
/* Bit i (0 = least significant). */
unsigned scalar_bit(const scalar value, unsigned bit);

/* (a * b) mod q for a, b below q. result may be a or b. */
void scalar_multiply(scalar result, const scalar a, const scalar b);
/* a^-1 mod q for a in [1, q-1]. */
void scalar_invert(scalar result, const scalar a);

#endif
