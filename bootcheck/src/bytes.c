#include "bytes.h"

void bytes_copy(uint8_t* to, const uint8_t* from, size_t length)
{
    size_t i;
    for (i = 0; i < length; ++i)
        to[i] = from[i];
}

void bytes_wipe(void* memory, size_t length)
{
    volatile uint8_t* bytes = (volatile uint8_t*)memory;
    size_t i;
    for (i = 0; i < length; ++i)
        bytes[i] = 0;
}

int bytes_equal(const uint8_t* a, const uint8_t* b, size_t length)
{
    uint8_t difference = 0;
    size_t i;
    for (i = 0; i < length; ++i)
        difference |= (uint8_t)(a[i] ^ b[i]);
    return difference == 0;
}

uint32_t load_le32(const uint8_t* bytes)
{
    return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

uint32_t load_be32(const uint8_t* bytes)
{
    return (uint32_t)bytes[0] << 24 | (uint32_t)bytes[1] << 16 | (uint32_t)bytes[2] << 8 | (uint32_t)bytes[3];
}

void store_be32(uint8_t* bytes, uint32_t value)
{
    bytes[0] = (uint8_t)(value >> 24);
    bytes[1] = (uint8_t)(value >> 16);
    bytes[2] = (uint8_t)(value >> 8);
    bytes[3] = (uint8_t)value;
}
