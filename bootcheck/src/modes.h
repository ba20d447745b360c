/* Decryption of a buffer in the record's modes, one block at a time, so a
   buffer of any length is decrypted where it stands (in place) or read
   block by block without a copy of the whole. */
#ifndef BOOTCHECK_MODES_H
#define BOOTCHECK_MODES_H

#include <stdint.h>

#include "aes.h"

/* The record's mode index: bits 0-1 of cipherChoice. */
enum record_mode { MODE_ECB = 0, MODE_CBC = 1, MODE_OFB = 2, MODE_CTR = 3 };

/* Every buffer of a save starts again from the record's IV. */
struct decrypter {
    const struct aes_key* key;
    enum record_mode mode;
    uint8_t chain[AES_BLOCK_SIZE];  /* CBC: the last ciphertext block; OFB: the key stream block */
};

void decrypter_start(struct decrypter* decrypter, const struct aes_key* key, enum record_mode mode,
                     const uint8_t iv[AES_BLOCK_SIZE]);

/* Decrypts the next block of the buffer in place. */
void decrypter_block(struct decrypter* decrypter, uint8_t block[AES_BLOCK_SIZE]);

#endif
