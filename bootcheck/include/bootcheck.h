/*
 * The boot check: what a target's boot code runs before it starts a
 * protected image. It checks, in this order,
 *
 *   1. the ECDSA signature (SHA-1, the curve of ecc_koblitz.ecs) in
 *      digital_signature over the bytes of msg_data, with the public key;
 *   2. the header of the AESData record (a known cipher choice for the
 *      device's key, a table that fits the section);
 *   3. the entry table, decrypted with the device's AES key, against the
 *      header's tableDigest;
 *   4. for every entry, the SHA-1 of the bytes at [address, address + size);
 *
 * and only when every check passed it decrypts the encrypted sections in
 * place. A tampered image is never decrypted.
 *
 * Freestanding C99: no heap, no global state that changes, nothing from the
 * C library beyond <stdint.h> and <stddef.h>. The caller hands in where its
 * sections are (from its linker symbols) and which memory the record may
 * name; the check reads nothing else and writes only inside the writable
 * regions named by encrypted entries.
 */
#ifndef BOOTCHECK_H
#define BOOTCHECK_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes of the public key: X then Y, 21 bytes each, big-endian, as
   `vantrel-utility keys export --format c` writes it. */
#define BOOTCHECK_PUBLIC_KEY_SIZE 42u

/* The outcome of a check: the first check that failed, or BOOTCHECK_PASSED. */
enum bootcheck_result {
    BOOTCHECK_PASSED = 0,
    BOOTCHECK_BAD_CALL = 1,        /* missing pointer, AES key not 16/24/32 bytes */
    BOOTCHECK_SIGNATURE = 2,       /* no valid signature of msg_data for the public key */
    BOOTCHECK_AESDATA_HEADER = 3,  /* no record, unknown cipher, key length not the device's, table not fitting */
    BOOTCHECK_TABLE_DIGEST = 4,    /* decrypted table does not match tableDigest: wrong key or altered */
    BOOTCHECK_ENTRY = 5,           /* an entry names memory outside the regions, or bad flags */
    BOOTCHECK_SECTION_DIGEST = 6   /* a section's bytes do not match its entry's digest */
};

/* Memory the record may name. address is the address the image was linked
   for (what the entries hold); bytes is where those bytes are now: on the
   target the same address, in a test a copy. Encrypted entries must lie in a
   writable region, since they are decrypted in place. */
struct bootcheck_region {
    uint32_t address;
    uint32_t size;
    uint8_t* bytes;
    int writable;
};

/* Where the four protection sections are, and the memory the record may name. */
struct bootcheck_image {
    const uint8_t* msg_data;
    uint32_t msg_data_size;
    const uint8_t* digital_signature;  /* r then s, 24 bytes each, least significant byte first */
    uint32_t digital_signature_size;
    const uint8_t* aes_data;
    uint32_t aes_data_size;
    const struct bootcheck_region* regions;
    uint32_t region_count;
};

/* The device's keys: the public key compiled in, the AES key from OTP or fuses. */
struct bootcheck_keys {
    const uint8_t* public_key;  /* BOOTCHECK_PUBLIC_KEY_SIZE bytes */
    const uint8_t* aes_key;
    uint32_t aes_key_size;      /* 16, 24 or 32 */
};

/* What a run found, for the boot code's report. */
struct bootcheck_report {
    enum bootcheck_result result;
    uint32_t entries;       /* entries in the table (0 before the table is read) */
    uint32_t hashed;        /* entries whose digest matched */
    uint32_t decrypted;     /* sections decrypted in place */
    uint32_t failed_entry;  /* index of the entry that failed (BOOTCHECK_ENTRY, BOOTCHECK_SECTION_DIGEST) */
};

/* Runs every check and, when all passed, decrypts the encrypted sections.
   Returns report->result. The image may be started only on BOOTCHECK_PASSED. */
enum bootcheck_result bootcheck_run(const struct bootcheck_image* image, const struct bootcheck_keys* keys,
                                    struct bootcheck_report* report);

/* Check 1 alone: the signature over msg_data. BOOTCHECK_PASSED or BOOTCHECK_SIGNATURE. */
enum bootcheck_result bootcheck_check_signature(const struct bootcheck_image* image, const uint8_t* public_key);

/* A short English name of a result, for reports. */
const char* bootcheck_result_name(enum bootcheck_result result);

#ifdef __cplusplus
}
#endif

#endif
