/* SHA-1 (FIPS 180-1): the digest of the record's entries, of its table and
   of the signed message. */
#ifndef BOOTCHECK_SHA1_H
#define BOOTCHECK_SHA1_H

#include <stdint.h>

#define SHA1_DIGEST_SIZE 20u
#define SHA1_BLOCK_SIZE 64u

struct sha1 {
    uint32_t state[5];
    uint8_t block[SHA1_BLOCK_SIZE];
    uint32_t used;          /* bytes waiting in block */
    uint32_t length_low;    /* message length in bytes, 64 bits */
    uint32_t length_high;
};

void sha1_start(struct sha1* sha);
void sha1_add(struct sha1* sha, const uint8_t* bytes, uint32_t length);
void sha1_finish(struct sha1* sha, uint8_t digest[SHA1_DIGEST_SIZE]);

/* The digest of one buffer, read where it stands. */
void sha1_of(const uint8_t* bytes, uint32_t length, uint8_t digest[SHA1_DIGEST_SIZE]);

#endif
