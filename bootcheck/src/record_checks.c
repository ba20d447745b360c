/*
 * The checks of the AESData record, after the signature held: its header,
 * its table's digest, every entry's section, and then the decryption. In a
 * file of its own so that its frame (the expanded AES key) is not on the
 * stack while the signature is verified, which is the deepest path.
 */
#include "record_checks.h"

#include "aes.h"
#include "bytes.h"
#include "record.h"

/* What the checks after the signature share: the header, the expanded AES
   key (a secret, wiped at the end of the run) and the caller's memory. */
struct record_check {
    const struct bootcheck_image* image;
    struct record_header header;
    struct aes_key key;
};

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
    bytes_wipe(&reader, sizeof reader);
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
    bytes_wipe(&reader, sizeof reader);
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
    bytes_wipe(&reader, sizeof reader);
}

/* The expanded key lives in this frame only and is wiped before it returns. */
enum bootcheck_result record_checks_run(const struct bootcheck_image* image, const struct bootcheck_keys* keys,
                                        struct bootcheck_report* report)
{
    struct record_check check;
    enum bootcheck_result result;
    check.image = image;
    result = check_header(&check, keys->aes_key_size);
    if (result != BOOTCHECK_PASSED)
        return result;
    aes_set_key(&check.key, keys->aes_key, keys->aes_key_size);
    result = check_table_digest(&check, &report->entries);
    if (result == BOOTCHECK_PASSED)
        result = check_sections(&check, report);
    if (result == BOOTCHECK_PASSED)
        decrypt_sections(&check, report);
    bytes_wipe(&check.key, sizeof check.key);
    return result;
}
