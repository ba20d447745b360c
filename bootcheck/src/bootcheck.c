/*
 * The order of the checks is the point of this file: nothing of the record
 * is trusted before the signature holds, no entry before the table's digest
 * matches, and no byte is decrypted before every section's digest matched.
 * The first failure ends the run; the target must then not start the image.
 */
#include "bootcheck.h"

#include "bytes.h"
#include "ecdsa.h"
#include "record_checks.h"

typedef char public_key_size_matches_curve[BOOTCHECK_PUBLIC_KEY_SIZE == 2u * ECDSA_COORDINATE_SIZE ? 1 : -1];

enum bootcheck_result bootcheck_check_signature(const struct bootcheck_image* image, const uint8_t* public_key)
{
    if (public_key == 0 || image->msg_data == 0 || image->digital_signature == 0 ||
        image->digital_signature_size < ECDSA_SIGNATURE_SIZE)
        return BOOTCHECK_SIGNATURE;
    return ecdsa_verify(public_key, image->msg_data, image->msg_data_size, image->digital_signature)
               ? BOOTCHECK_PASSED
               : BOOTCHECK_SIGNATURE;
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
    report->result = record_checks_run(image, keys, report);
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
