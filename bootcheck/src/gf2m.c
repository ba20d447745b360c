#include "gf2m.h"

#define DOUBLE_WORDS (2u * CURVE_FIELD_WORDS)
#define WINDOW_BITS 4u
#define WINDOW_ENTRIES (1u << WINDOW_BITS)

void gf2m_copy(gf2m to, const gf2m from)
{
    unsigned i;
    for (i = 0; i < CURVE_FIELD_WORDS; ++i)
        to[i] = from[i];
}

void gf2m_set_small(gf2m to, uint32_t value)
{
    unsigned i;
    to[0] = value;
    for (i = 1; i < CURVE_FIELD_WORDS; ++i)
        to[i] = 0;
}

int gf2m_is_zero(const gf2m value)
{
    uint32_t bits = 0;
    unsigned i;
    for (i = 0; i < CURVE_FIELD_WORDS; ++i)
        bits |= value[i];
    return bits == 0;
}

int gf2m_equal(const gf2m a, const gf2m b)
{
    uint32_t difference = 0;
    unsigned i;
    for (i = 0; i < CURVE_FIELD_WORDS; ++i)
        difference |= a[i] ^ b[i];
    return difference == 0;
}

void gf2m_add(gf2m result, const gf2m a, const gf2m b)
{
    unsigned i;
    for (i = 0; i < CURVE_FIELD_WORDS; ++i)
        result[i] = a[i] ^ b[i];
}

/* XORs a 32-bit value into a double-length number at any bit position. */
static void xor_at(uint32_t* number, uint32_t value, unsigned bit)
{
    const unsigned word = bit / 32, shift = bit % 32;
    number[word] ^= value << shift;
    if (shift != 0)
        number[word + 1] ^= value >> (32 - shift);
}

/* Reduces a product of degree below 2m. Each bit at t^(m+k) is replaced by
   t^k times (middle terms + 1), since t^m = middle terms + 1. Working from
   the top word down, what is folded lands below what is still to fold. */
static void reduce(uint32_t product[DOUBLE_WORDS], gf2m result)
{
    static const uint32_t exponents[CURVE_REDUCTION_TERMS] = CURVE_REDUCTION_EXPONENTS;
    const unsigned top_word = CURVE_M / 32, top_shift = CURVE_M % 32;
    unsigned word, term;
    for (word = DOUBLE_WORDS - 1; word > top_word; --word) {
        const uint32_t high = product[word];
        const unsigned position = 32 * word - CURVE_M;
        product[word] = 0;
        xor_at(product, high, position);
        for (term = 0; term < CURVE_REDUCTION_TERMS; ++term)
            xor_at(product, high, position + exponents[term]);
    }
    {
        /* The bits of the top word from t^m on. */
        const uint32_t high = product[top_word] >> top_shift;
        product[top_word] &= (1u << top_shift) - 1u;
        product[0] ^= high;
        for (term = 0; term < CURVE_REDUCTION_TERMS; ++term)
            xor_at(product, high, exponents[term]);
    }
    for (word = 0; word < CURVE_FIELD_WORDS; ++word)
        result[word] = product[word];
}

/* Left-to-right comb with a 4-bit window: b times each polynomial of degree
   below 4 is made once, then each nibble of a picks one of them. */
void gf2m_multiply(gf2m result, const gf2m a, const gf2m b)
{
    uint32_t multiples[WINDOW_ENTRIES][CURVE_FIELD_WORDS + 1];
    uint32_t product[DOUBLE_WORDS];
    unsigned entry, word, nibble, i;
    for (i = 0; i <= CURVE_FIELD_WORDS; ++i)
        multiples[0][i] = 0;
    for (i = 0; i < CURVE_FIELD_WORDS; ++i)
        multiples[1][i] = b[i];
    multiples[1][CURVE_FIELD_WORDS] = 0;
    for (entry = 2; entry < WINDOW_ENTRIES; ++entry) {
        /* entry = 2 * (entry / 2) + (entry & 1): shift the half, add b. */
        const uint32_t* half = multiples[entry / 2];
        uint32_t carry = 0;
        for (i = 0; i <= CURVE_FIELD_WORDS; ++i) {
            multiples[entry][i] = half[i] << 1 | carry;
            carry = half[i] >> 31;
            multiples[entry][i] ^= multiples[entry & 1][i];
        }
    }
    for (i = 0; i < DOUBLE_WORDS; ++i)
        product[i] = 0;
    for (nibble = 32 / WINDOW_BITS; nibble-- > 0;) {
        for (word = 0; word < CURVE_FIELD_WORDS; ++word) {
            const uint32_t* multiple = multiples[(a[word] >> (WINDOW_BITS * nibble)) & (WINDOW_ENTRIES - 1)];
            for (i = 0; i <= CURVE_FIELD_WORDS; ++i)
                product[word + i] ^= multiple[i];
        }
        if (nibble != 0) {
            for (i = DOUBLE_WORDS - 1; i > 0; --i)
                product[i] = product[i] << WINDOW_BITS | product[i - 1] >> (32 - WINDOW_BITS);
            product[0] <<= WINDOW_BITS;
        }
    }
    reduce(product, result);
}

/* Squaring in characteristic 2 spreads the bits: bit i goes to bit 2i. */
static uint32_t spread_half(uint32_t half)
{
    half = (half | half << 8) & 0x00ff00ffu;
    half = (half | half << 4) & 0x0f0f0f0fu;
    half = (half | half << 2) & 0x33333333u;
    half = (half | half << 1) & 0x55555555u;
    return half;
}

void gf2m_square(gf2m result, const gf2m a)
{
    uint32_t product[DOUBLE_WORDS];
    unsigned i;
    for (i = 0; i < CURVE_FIELD_WORDS; ++i) {
        product[2 * i] = spread_half(a[i] & 0xffffu);
        product[2 * i + 1] = spread_half(a[i] >> 16);
    }
    reduce(product, result);
}

/* a^-1 = a^(2^m - 2) = (a^(2^(m-1) - 1))^2 (Fermat), with the exponent
   built by Itoh and Tsujii's chain: from r = a^(2^k - 1), squaring r k
   times and multiplying by r gives a^(2^(2k) - 1), and squaring once more
   and multiplying by a gives a^(2^(k+1) - 1). Walking the bits of m - 1
   takes m - 1 squarings but only about 2 log2(m) multiplications. */
void gf2m_invert(gf2m result, const gf2m a)
{
    gf2m power, shifted;
    unsigned k = 1, bit = 0, i;
    while ((CURVE_M - 1) >> (bit + 1) != 0)
        ++bit;
    gf2m_copy(power, a);
    while (bit-- > 0) {
        gf2m_copy(shifted, power);
        for (i = 0; i < k; ++i)
            gf2m_square(shifted, shifted);
        gf2m_multiply(power, power, shifted);
        k *= 2;
        if (((CURVE_M - 1) >> bit) & 1u) {
            gf2m_square(power, power);
            gf2m_multiply(power, power, a);
            ++k;
        }
    }
    gf2m_square(result, power);
}

int gf2m_from_bytes(gf2m to, const uint8_t* bytes, unsigned byte_count)
{
    uint32_t beyond = 0;
    unsigned i;
    gf2m_set_small(to, 0);
    for (i = 0; i < byte_count; ++i) {
        const unsigned bit = 8 * (byte_count - 1 - i);
        if (bit / 32 < CURVE_FIELD_WORDS)
            to[bit / 32] |= (uint32_t)bytes[i] << (bit % 32);
        else
            beyond |= bytes[i];
    }
    if (CURVE_M % 32 != 0)
        beyond |= to[CURVE_M / 32] >> (CURVE_M % 32);
    return beyond == 0;
}
