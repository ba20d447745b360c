#include "modes.h"

#include "bytes.h"

void decrypter_start(struct decrypter* decrypter, const struct aes_key* key, enum record_mode mode,
                     const uint8_t iv[AES_BLOCK_SIZE])
{
    decrypter->key = key;
    decrypter->mode = mode;
    bytes_copy(decrypter->chain, iv, AES_BLOCK_SIZE);
}

static void xor_block(uint8_t block[AES_BLOCK_SIZE], const uint8_t with[AES_BLOCK_SIZE])
{
    unsigned i;
    for (i = 0; i < AES_BLOCK_SIZE; ++i)
        block[i] ^= with[i];
}

void decrypter_block(struct decrypter* decrypter, uint8_t block[AES_BLOCK_SIZE])
{
    uint8_t ciphertext[AES_BLOCK_SIZE];
    switch (decrypter->mode) {
    case MODE_ECB:
        aes_decrypt_block(decrypter->key, block);
        break;
    case MODE_CBC:
        /* plain = D(cipher) XOR previous cipher block (the IV for the first). */
        bytes_copy(ciphertext, block, AES_BLOCK_SIZE);
        aes_decrypt_block(decrypter->key, block);
        xor_block(block, decrypter->chain);
        bytes_copy(decrypter->chain, ciphertext, AES_BLOCK_SIZE);
        bytes_wipe(ciphertext, sizeof ciphertext);
        break;
    case MODE_OFB:
    case MODE_CTR:
        /* The record's "CTR" is not a counter mode: the tool that writes the
           record processes it exactly as OFB with full 16-byte feedback, so
           the target must too. Key stream = E(previous key stream block),
           starting from the IV; plain = cipher XOR key stream. */
        aes_encrypt_block(decrypter->key, decrypter->chain);
        xor_block(block, decrypter->chain);
        break;
    }
}
