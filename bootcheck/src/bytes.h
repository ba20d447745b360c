/* Small byte helpers, so the boot check needs nothing from the C library. */
#ifndef BOOTCHECK_BYTES_H
#define BOOTCHECK_BYTES_H

#include <stddef.h>
#include <stdint.h>

void bytes_copy(uint8_t* to, const uint8_t* from, size_t length);

/* Clears memory that held a secret; the compiler may not drop the stores. */
void bytes_wipe(void* memory, size_t length);

/* 1 when equal. Reads every byte whatever it finds, so the time taken does
   not tell where two digests first differ. */
int bytes_equal(const uint8_t* a, const uint8_t* b, size_t length);

uint32_t load_le32(const uint8_t* bytes);
uint32_t load_be32(const uint8_t* bytes);
void store_be32(uint8_t* bytes, uint32_t value);

#endif
