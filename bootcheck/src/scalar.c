#include "scalar.h"

static const scalar order = CURVE_Q;

static void copy(scalar to, const scalar from)
{
    unsigned i;
    for (i = 0; i < CURVE_SCALAR_WORDS; ++i)
        to[i] = from[i];
}

static void set_small(scalar to, uint32_t value)
{
    unsigned i;
    to[0] = value;
    for (i = 1; i < CURVE_SCALAR_WORDS; ++i)
        to[i] = 0;
}

/* -1, 0 or 1 as a is below, equal to or above b. */
static int compare(const scalar a, const scalar b)
{
    unsigned i = CURVE_SCALAR_WORDS;
    while (i-- > 0)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

/* a = a + b; returns the carry out of the top word. */
static uint32_t add(scalar a, const scalar b)
{
    uint32_t carry = 0;
    unsigned i;
    for (i = 0; i < CURVE_SCALAR_WORDS; ++i) {
        const uint32_t sum = a[i] + b[i];
        const uint32_t out = sum + carry;
        carry = (uint32_t)(sum < a[i]) + (uint32_t)(out < sum);
        a[i] = out;
    }
    return carry;
}

/* a = a - b; returns the borrow out of the top word. */
static uint32_t subtract(scalar a, const scalar b)
{
    uint32_t borrow = 0;
    unsigned i;
    for (i = 0; i < CURVE_SCALAR_WORDS; ++i) {
        const uint32_t difference = a[i] - b[i];
        const uint32_t out = difference - borrow;
        borrow = (uint32_t)(a[i] < b[i]) + (uint32_t)(difference < borrow);
        a[i] = out;
    }
    return borrow;
}

/* Halves a number that had carry as its bit 32 * CURVE_SCALAR_WORDS. */
static void halve(scalar a, uint32_t carry)
{
    unsigned i;
    for (i = 0; i < CURVE_SCALAR_WORDS; ++i) {
        const uint32_t high = i + 1 < CURVE_SCALAR_WORDS ? a[i + 1] : carry;
        a[i] = a[i] >> 1 | high << 31;
    }
}

static int load_bytes(scalar to, const uint8_t* bytes, unsigned byte_count, int big_endian)
{
    uint32_t beyond = 0;
    unsigned i;
    set_small(to, 0);
    for (i = 0; i < byte_count; ++i) {
        const unsigned significance = big_endian ? byte_count - 1 - i : i;
        if (significance / 4 < CURVE_SCALAR_WORDS)
            to[significance / 4] |= (uint32_t)bytes[i] << (8 * (significance % 4));
        else
            beyond |= bytes[i];
    }
    return beyond == 0;
}

int scalar_from_le_bytes(scalar to, const uint8_t* bytes, unsigned byte_count)
{
    return load_bytes(to, bytes, byte_count, 0);
}

int scalar_from_be_bytes(scalar to, const uint8_t* bytes, unsigned byte_count)
{
    return load_bytes(to, bytes, byte_count, 1);
}

int scalar_is_zero(const scalar value)
{
    unsigned i;
    for (i = 0; i < CURVE_SCALAR_WORDS; ++i)
        if (value[i] != 0)
            return 0;
    return 1;
}

int scalar_equal(const scalar a, const scalar b)
{
    return compare(a, b) == 0;
}

int scalar_in_range(const scalar value)
{
    return !scalar_is_zero(value) && compare(value, order) < 0;
}

void scalar_reduce(scalar value)
{
    while (compare(value, order) >= 0)
        subtract(value, order);
}

unsigned scalar_bit(const scalar value, unsigned bit)
{
    return (unsigned)(value[bit / 32] >> (bit % 32)) & 1u;
}

/* (a + b) mod q for a, b below q: the sum may carry out of the words when q
   fills them, and then it is certainly above q. */
static void add_modulo(scalar a, const scalar b)
{
    const uint32_t carry = add(a, b);
    if (carry || compare(a, order) >= 0)
        subtract(a, order);
}

/* Double and add over the bits of b, most significant first. */
void scalar_multiply(scalar result, const scalar a, const scalar b)
{
    scalar sum, factor;
    unsigned bit = 32 * CURVE_SCALAR_WORDS;
    copy(factor, b);
    set_small(sum, 0);
    while (bit-- > 0) {
        add_modulo(sum, sum);
        if (scalar_bit(factor, bit))
            add_modulo(sum, a);
    }
    copy(result, sum);
}

/* x = x / 2 mod q (q is odd: an odd x becomes even by adding q). */
static void halve_modulo(scalar x)
{
    uint32_t carry = 0;
    if (x[0] & 1u)
        carry = add(x, order);
    halve(x, carry);
}

/* x = x - y mod q for x, y below q. */
static void subtract_modulo(scalar x, const scalar y)
{
    if (subtract(x, y))
        add(x, order);
}

/* Binary extended Euclid: keeps u = x1 * a and v = x2 * a (mod q) while u
   and v shrink to their common divisor 1. */
void scalar_invert(scalar result, const scalar a)
{
    scalar u, v, x1, x2;
    copy(u, a);
    copy(v, order);
    set_small(x1, 1);
    set_small(x2, 0);
    for (;;) {
        scalar one;
        set_small(one, 1);
        if (scalar_equal(u, one)) {
            copy(result, x1);
            return;
        }
        if (scalar_equal(v, one) || scalar_is_zero(u)) {
            copy(result, x2);
            return;
        }
        while ((u[0] & 1u) == 0) {
            halve(u, 0);
            halve_modulo(x1);
        }
        while ((v[0] & 1u) == 0) {
            halve(v, 0);
            halve_modulo(x2);
        }
        if (compare(u, v) >= 0) {
            subtract(u, v);
            subtract_modulo(x1, x2);
        } else {
            subtract(v, u);
            subtract_modulo(x2, x1);
        }
    }
}
