#include "sha1.h"

#include "bytes.h"

static uint32_t rotate_left(uint32_t value, unsigned bits)
{
    return value << bits | value >> (32u - bits);
}

/* The round function and constant of rounds 0-19, 20-39, 40-59, 60-79. */
static uint32_t round_function(unsigned round, uint32_t b, uint32_t c, uint32_t d)
{
    if (round < 20)
        return ((b & c) | (~b & d)) + 0x5a827999u;
    if (round < 40)
        return (b ^ c ^ d) + 0x6ed9eba1u;
    if (round < 60)
        return ((b & c) | (b & d) | (c & d)) + 0x8f1bbcdcu;
    return (b ^ c ^ d) + 0xca62c1d6u;
}

/* One 64-byte block. The schedule is kept as a ring of 16 words, so the
   stack holds 64 bytes of it rather than 320. */
static void compress(uint32_t state[5], const uint8_t block[SHA1_BLOCK_SIZE])
{
    uint32_t w[16];
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    unsigned round;
    for (round = 0; round < 16; ++round)
        w[round] = load_be32(block + 4 * round);
    for (round = 0; round < 80; ++round) {
        uint32_t word, next;
        if (round >= 16)
            w[round & 15] = rotate_left(w[(round + 13) & 15] ^ w[(round + 8) & 15] ^ w[(round + 2) & 15] ^
                                            w[round & 15], 1);
        word = w[round & 15];
        next = rotate_left(a, 5) + round_function(round, b, c, d) + e + word;
        e = d;
        d = c;
        c = rotate_left(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

void sha1_start(struct sha1* sha)
{
    sha->state[0] = 0x67452301u;
    sha->state[1] = 0xefcdab89u;
    sha->state[2] = 0x98badcfeu;
    sha->state[3] = 0x10325476u;
    sha->state[4] = 0xc3d2e1f0u;
    sha->used = 0;
    sha->length_low = 0;
    sha->length_high = 0;
}

void sha1_add(struct sha1* sha, const uint8_t* bytes, uint32_t length)
{
    uint32_t i;
    sha->length_low += length;
    if (sha->length_low < length)
        ++sha->length_high;
    for (i = 0; i < length; ++i) {
        sha->block[sha->used++] = bytes[i];
        if (sha->used == SHA1_BLOCK_SIZE) {
            compress(sha->state, sha->block);
            sha->used = 0;
        }
    }
}

void sha1_finish(struct sha1* sha, uint8_t digest[SHA1_DIGEST_SIZE])
{
    /* Padding: 0x80, zeros up to 56 bytes into a block, the length in bits. */
    const uint32_t bits_high = sha->length_high << 3 | sha->length_low >> 29;
    const uint32_t bits_low = sha->length_low << 3;
    unsigned i;
    sha->block[sha->used++] = 0x80;
    if (sha->used > SHA1_BLOCK_SIZE - 8) {
        while (sha->used < SHA1_BLOCK_SIZE)
            sha->block[sha->used++] = 0;
        compress(sha->state, sha->block);
        sha->used = 0;
    }
    while (sha->used < SHA1_BLOCK_SIZE - 8)
        sha->block[sha->used++] = 0;
    store_be32(sha->block + 56, bits_high);
    store_be32(sha->block + 60, bits_low);
    compress(sha->state, sha->block);
    for (i = 0; i < 5; ++i)
        store_be32(digest + 4 * i, sha->state[i]);
}

void sha1_of(const uint8_t* bytes, uint32_t length, uint8_t digest[SHA1_DIGEST_SIZE])
{
    struct sha1 sha;
    sha1_start(&sha);
    sha1_add(&sha, bytes, length);
    sha1_finish(&sha, digest);
}
