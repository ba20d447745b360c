/* The AES block cipher (FIPS-197) with 128-, 192- and 256-bit keys. The
   record's modes use both directions: ECB and CBC decrypt blocks, OFB runs
   the cipher forward to make its key stream. */
#ifndef BOOTCHECK_AES_H
#define BOOTCHECK_AES_H

#include <stdint.h>

#define AES_BLOCK_SIZE 16u
#define AES_MAX_ROUNDS 14u

/* The expanded key. It is a secret: wipe it when done (bytes_wipe). */
struct aes_key {
    uint8_t round_keys[AES_BLOCK_SIZE * (AES_MAX_ROUNDS + 1)];
    unsigned rounds;
};

/* 1 for a 16-, 24- or 32-byte key, 0 otherwise. */
int aes_set_key(struct aes_key* expanded, const uint8_t* key, uint32_t key_size);

void aes_encrypt_block(const struct aes_key* expanded, uint8_t block[AES_BLOCK_SIZE]);
void aes_decrypt_block(const struct aes_key* expanded, uint8_t block[AES_BLOCK_SIZE]);

#endif
