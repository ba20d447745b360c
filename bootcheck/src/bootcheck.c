/*
 * The order of the checks is the point of this file: nothing of the record
 * is trusted before the signature holds, no entry before the table's digest
 * matches, and no byte is decrypted before every section's digest matched.
 * The first failure ends the run; the target must then not start the image.
 */
#include "bootcheck.h"

#include "bytes.h"
#include "ecdsa.h"
#include "record.h"

typedef char public_key_size_matches_curve[BOOTCHECK_PUBLIC_KEY_SIZE == 2u * ECDSA_COORDINATE_SIZE ? 1 : -1];

/* What the checks after the signature share: the header, the expanded AES
   key (a secret, wiped at the end of the run) and the caller's memory. */
struct record_check {
    const struct bootcheck_image* image;
    struct record_header header;
    struct aes_key key;
};

enum bootcheck_result bootcheck_check_signature(const struct bootcheck_image* image, const uint8_t* public_key)
{
    if (image->msg_data == 0 || image->digital_signature == 0 ||
        image->digital_signature_size < ECDSA_SIGNATURE_SIZE)
        return BOOTCHECK_SIGNATURE;
    return ecdsa_verify(public_key, image->msg_data, image->msg_data_size, image->digital_signature)
               ? BOOTCHECK_PASSED
               : BOOTCHECK_SIGNATURE;
}

/* Check 2: a header the device can read, for its key. */
static enum bootcheck_result check_header(struct record_check* check, uint32_t key_size)
{
    const struct bootcheck_image* image = check->image;
    if (image->aes_data == 0 || !record_read_header(&check->header, image->aes_data, image->aes_data_size) ||
        !record_header_valid(&check->header, image->aes_data_size, key_size))
        return BOOTCHECK_AESDATA_HEADER;
    return BOOTCHECK_PASSED;
}

/* Check 3: the plain table's SHA-1 against tableDigest. Until it matches,
   the decrypted bytes go into SHA-1 only: nothing branches on them. */
static enum bootcheck_result check_table_digest(struct record_check* check, uint32_t* entries)
{
    struct table_reader reader;
    struct sha1 sha;
    uint8_t plain[RECORD_ENTRY_SIZE];
    uint8_t digest[SHA1_DIGEST_SIZE];
    int matches;
    sha1_start(&sha);
    table_reader_start(&reader, &check->header, &check->key);
    while (table_reader_next_bytes(&reader, plain))
        sha1_add(&sha, plain, RECORD_ENTRY_SIZE);
    sha1_finish(&sha, digest);
    matches = bytes_equal(digest, check->header.table_digest, SHA1_DIGEST_SIZE);
    bytes_wipe(plain, sizeof plain);
    bytes_wipe(&sha, sizeof sha);
    *entries = check->header.table_length / RECORD_ENTRY_SIZE;
    return matches ? BOOTCHECK_PASSED : BOOTCHECK_TABLE_DIGEST;
}

/* The region that holds [address, address + size) whole, or none. */
static const struct bootcheck_region* region_of(const struct bootcheck_image* image, uint32_t address,
                                                uint32_t size)
{
    uint32_t i;
    for (i = 0; i < image->region_count; ++i) {
        const struct bootcheck_region* region = &image->regions[i];
        const uint32_t offset = address - region->address;
        if (address >= region->address && offset <= region->size && size <= region->size - offset)
            return region;
    }
    return 0;
}

static uint8_t* bytes_of(const struct bootcheck_region* region, const struct record_entry* entry)
{
    return region->bytes + (entry->address - region->address);
}

/* An entry the device can act on: hash-only flags or exactly the record's
   encrypted flags; memory the caller allows; an encrypted section whole
   blocks in writable memory. */
static const struct bootcheck_region* entry_region(const struct record_check* check,
                                                   const struct record_entry* entry)
{
    const struct bootcheck_region* region = region_of(check->image, entry->address, entry->size);
    const int encrypted = entry->flags == record_encrypted_flags(&check->header);
    if (!encrypted && entry->flags != RECORD_HASH_ONLY_FLAGS)
        return 0;
    if (region == 0 || (encrypted && (!region->writable || entry->size % AES_BLOCK_SIZE != 0)))
        return 0;
    return region;
}

/* Check 4: every entry's section, as it stands in memory, against its digest. */
static enum bootcheck_result check_sections(struct record_check* check, struct bootcheck_report* report)
{
    struct table_reader reader;
    struct record_entry entry;
    enum bootcheck_result result = BOOTCHECK_PASSED;
    table_reader_start(&reader, &check->header, &check->key);
    while (result == BOOTCHECK_PASSED && table_reader_next(&reader, &entry)) {
        const struct bootcheck_region* region = entry_region(check, &entry);
        uint8_t digest[SHA1_DIGEST_SIZE];
        if (region == 0) {
            result = BOOTCHECK_ENTRY;
            break;
        }
        sha1_of(bytes_of(region, &entry), entry.size, digest);
        if (!bytes_equal(digest, entry.digest, SHA1_DIGEST_SIZE))
            result = BOOTCHECK_SECTION_DIGEST;
        else
            ++report->hashed;
    }
    if (result != BOOTCHECK_PASSED)
        report->failed_entry = report->hashed;
    bytes_wipe(&entry, sizeof entry);
    return result;
}

/* After every check passed: each encrypted section, decrypted in place as a
   buffer of its own from the IV (the record's rule). */
static void decrypt_sections(struct record_check* check, struct bootcheck_report* report)
{
    struct table_reader reader;
    struct record_entry entry;
    table_reader_start(&reader, &check->header, &check->key);
    while (table_reader_next(&reader, &entry)) {
        const struct bootcheck_region* region = entry_region(check, &entry);
        struct decrypter decrypter;
        uint8_t* block;
        uint32_t done;
        if (entry.flags == RECORD_HASH_ONLY_FLAGS || region == 0)
            continue;
        decrypter_start(&decrypter, &check->key, record_mode_of(&check->header), check->header.iv);
        block = bytes_of(region, &entry);
        for (done = 0; done < entry.size; done += AES_BLOCK_SIZE)
            decrypter_block(&decrypter, block + done);
        bytes_wipe(&decrypter, sizeof decrypter);
        ++report->decrypted;
    }
    bytes_wipe(&entry, sizeof entry);
}

static enum bootcheck_result check_record(struct record_check* check, const struct bootcheck_keys* keys,
                                          struct bootcheck_report* report)
{
    enum bootcheck_result result = check_header(check, keys->aes_key_size);
    if (result != BOOTCHECK_PASSED)
        return result;
    aes_set_key(&check->key, keys->aes_key, keys->aes_key_size);
    result = check_table_digest(check, &report->entries);
    if (result == BOOTCHECK_PASSED)
        result = check_sections(check, report);
    if (result == BOOTCHECK_PASSED)
        decrypt_sections(check, report);
    return result;
}

static int call_complete(const struct bootcheck_image* image, const struct bootcheck_keys* keys)
{
    return image != 0 && keys != 0 && keys->public_key != 0 && keys->aes_key != 0 &&
           (keys->aes_key_size == 16 || keys->aes_key_size == 24 || keys->aes_key_size == 32) &&
           (image->region_count == 0 || image->regions != 0);
}

enum bootcheck_result bootcheck_run(const struct bootcheck_image* image, const struct bootcheck_keys* keys,
                                    struct bootcheck_report* report)
{
    struct record_check check;
    report->result = BOOTCHECK_PASSED;
    report->entries = 0;
    report->hashed = 0;
    report->decrypted = 0;
    report->failed_entry = 0;
    if (!call_complete(image, keys))
        report->result = BOOTCHECK_BAD_CALL;
    else
        report->result = bootcheck_check_signature(image, keys->public_key);
    if (report->result != BOOTCHECK_PASSED)
        return report->result;
    check.image = image;
    report->result = check_record(&check, keys, report);
    bytes_wipe(&check.key, sizeof check.key);
    return report->result;
}

const char* bootcheck_result_name(enum bootcheck_result result)
{
    switch (result) {
    case BOOTCHECK_PASSED:
        return "passed";
    case BOOTCHECK_BAD_CALL:
        return "bad call";
    case BOOTCHECK_SIGNATURE:
        return "signature";
    case BOOTCHECK_AESDATA_HEADER:
        return "AESData header";
    case BOOTCHECK_TABLE_DIGEST:
        return "AESData table digest";
    case BOOTCHECK_ENTRY:
        return "AESData entry";
    case BOOTCHECK_SECTION_DIGEST:
        return "section digest";
    }
    return "unknown";
}
