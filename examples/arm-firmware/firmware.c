/*
 * A small Cortex-M firmware image in the shape the boot code expects: the
 * signed message (msg_code, msg_data), room for the signature and for the
 * AESData record, and code and data in sections that the utility can hash or
 * encrypt. Built freestanding: no C library, no start-up files.
 */
#include <stdint.h>

#define SECTION(name) __attribute__((section(name), used))

/* The signed message. Signing moves msg_code's bytes into msg_data and signs them. */
SECTION("msg_code") const uint8_t messageCode[64] = {
    'V', 'a', 'n', 't', 'r', 'e', 'l', ' ', 'e', 'x', 'a', 'm', 'p', 'l', 'e', ' ',
    'f', 'i', 'r', 'm', 'w', 'a', 'r', 'e', ' ', 'b', 'u', 'i', 'l', 'd', ' ', '1',
    0x01, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x08, 0x00, 0x20, 0x00, 0x08, 0x10, 0x00, 0x00, 0x00,
    0xde, 0xc0, 0xad, 0x0b, 0x5a, 0xa5, 0x5a, 0xa5, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
};
SECTION("msg_data") const uint8_t messageData[64] = {
    'b', 'o', 'o', 't', ' ', 'm', 'e', 's', 's', 'a', 'g', 'e', ' ', 'd', 'a', 't',
    'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
};

/* r then s, 24 bytes each, written by signing. */
SECTION("digital_signature") const uint8_t digitalSignature[48] = {0};

/* The protection record: a 44-byte header and 32 bytes per protected section. */
SECTION("AESData") const uint8_t aesData[512] = {0};

/* Code that the first boot stage checks by digest. */
SECTION("L1_Code_Hash") uint32_t Checksum(const uint8_t* data, uint32_t length)
{
    uint32_t sum = 0x811c9dc5u;
    for (uint32_t i = 0; i < length; ++i)
        sum = (sum ^ data[i]) * 0x01000193u;
    return sum;
}

/* Code that the boot stage decrypts in place, in RAM, before it runs it. */
SECTION("L1_Code_Encrypt") uint32_t MixKeyWord(uint32_t word, uint32_t round)
{
    for (uint32_t i = 0; i < round; ++i)
        word = (word << 7 | word >> 25) ^ (0x9e3779b9u + i);
    return word;
}

/* Second-stage code and data. */
SECTION("L2_Hash") const uint32_t l2Table[16] = {
    0x00000001, 0x00000002, 0x00000004, 0x00000008, 0x00000010, 0x00000020, 0x00000040, 0x00000080,
    0x00000100, 0x00000200, 0x00000400, 0x00000800, 0x00001000, 0x00002000, 0x00004000, 0x00008000,
};

SECTION("L2_Encrypt") uint32_t Application(uint32_t seed)
{
    uint32_t value = seed;
    for (uint32_t i = 0; i < 16; ++i)
        value = MixKeyWord(value + l2Table[i], i & 3u);
    return value;
}

/* Functions both stages share. */
SECTION("ShareFunctionSection1") void CopyBytes(uint8_t* to, const uint8_t* from, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i)
        to[i] = from[i];
}

SECTION("ShareFunctionSection2") uint32_t CompareBytes(const uint8_t* a, const uint8_t* b, uint32_t length)
{
    uint32_t difference = 0;
    for (uint32_t i = 0; i < length; ++i)
        difference |= (uint32_t)(a[i] ^ b[i]);
    return difference;
}

/* The firmware proper, started by the boot stage (boot.c) once the boot
   check passed: it calls code in the hashed and the encrypted sections. */
uint32_t FirmwareMain(void)
{
    uint8_t workArea[64];
    CopyBytes(workArea, messageData, sizeof workArea);
    uint32_t check = Checksum(workArea, sizeof workArea);
    check ^= CompareBytes(workArea, messageCode, sizeof workArea);
    check ^= digitalSignature[0] ^ aesData[0];
    return Application(check);
}
