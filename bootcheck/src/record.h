/* The AESData record: a 44-byte plain header, then the entry table (32
   bytes an entry) encrypted as one buffer from the header's IV. Every
   integer is 32-bit little-endian. */
#ifndef BOOTCHECK_RECORD_H
#define BOOTCHECK_RECORD_H

#include <stdint.h>

#include "aes.h"
#include "modes.h"
#include "sha1.h"

#define RECORD_HEADER_SIZE 44u
#define RECORD_ENTRY_SIZE 32u

/* Header offsets. */
#define RECORD_IV_OFFSET 0u
#define RECORD_TABLE_DIGEST_OFFSET 16u
#define RECORD_TABLE_LENGTH_OFFSET 36u
#define RECORD_CIPHER_CHOICE_OFFSET 40u

/* cipherChoice = key-length index * 16 + mode index; every other bit 0.
   An encrypted entry's flags = mode index + 4 + key-length index * 16. */
#define RECORD_MODE_MASK 0x03u
#define RECORD_KEY_LENGTH_SHIFT 4u
#define RECORD_CIPHER_CHOICE_BITS 0x33u
#define RECORD_ENCRYPTED_FLAG 0x04u
#define RECORD_HASH_ONLY_FLAGS 0u

struct record_header {
    const uint8_t* iv;
    const uint8_t* table_digest;
    uint32_t table_length;
    uint32_t cipher_choice;
    const uint8_t* table;  /* the encrypted table, table_length bytes */
};

/* One entry in its plain form. Decrypted bytes: wipe when done. */
struct record_entry {
    uint32_t address;
    uint32_t size;
    uint32_t flags;
    uint8_t digest[SHA1_DIGEST_SIZE];
};

/* Reads the header; 0 when the section is shorter than a header. */
int record_read_header(struct record_header* header, const uint8_t* section, uint32_t section_size);

/* 1 when the header describes a record the device can read: a table of
   whole entries, not empty, inside the section; a known cipher choice whose
   key length is the device's key length. */
int record_header_valid(const struct record_header* header, uint32_t section_size, uint32_t key_size);

enum record_mode record_mode_of(const struct record_header* header);
/* The flags an encrypted entry of this record carries. */
uint32_t record_encrypted_flags(const struct record_header* header);

/* Reads the table entry by entry, decrypting as it goes, so the plain
   table is never held whole. */
struct table_reader {
    struct decrypter decrypter;
    const uint8_t* next;
    uint32_t remaining;
};

void table_reader_start(struct table_reader* reader, const struct record_header* header,
                        const struct aes_key* key);
/* The next entry's 32 plain bytes; 0 at the end of the table. */
int table_reader_next_bytes(struct table_reader* reader, uint8_t plain[RECORD_ENTRY_SIZE]);
/* The next entry, decoded; 0 at the end of the table. */
int table_reader_next(struct table_reader* reader, struct record_entry* entry);

#endif
