#include "record.h"

#include "bytes.h"

int record_read_header(struct record_header* header, const uint8_t* section, uint32_t section_size)
{
    if (section_size < RECORD_HEADER_SIZE)
        return 0;
    header->iv = section + RECORD_IV_OFFSET;
    header->table_digest = section + RECORD_TABLE_DIGEST_OFFSET;
    header->table_length = load_le32(section + RECORD_TABLE_LENGTH_OFFSET);
    header->cipher_choice = load_le32(section + RECORD_CIPHER_CHOICE_OFFSET);
    header->table = section + RECORD_HEADER_SIZE;
    return 1;
}

/* Key-length index 0, 1, 2: AES-128, -192, -256. */
static uint32_t key_size_of(uint32_t cipher_choice)
{
    const uint32_t index = cipher_choice >> RECORD_KEY_LENGTH_SHIFT;
    return index <= 2 ? 16u + 8u * index : 0u;
}

int record_header_valid(const struct record_header* header, uint32_t section_size, uint32_t key_size)
{
    /* An unprotected image's AESData is all zeros: tableLength 0. */
    if (header->table_length == 0 || header->table_length % RECORD_ENTRY_SIZE != 0)
        return 0;
    if (header->table_length > section_size - RECORD_HEADER_SIZE)
        return 0;
    if ((header->cipher_choice & ~RECORD_CIPHER_CHOICE_BITS) != 0)
        return 0;
    /* The record was made for another key length than the device holds. */
    return key_size_of(header->cipher_choice) == key_size;
}

enum record_mode record_mode_of(const struct record_header* header)
{
    return (enum record_mode)(header->cipher_choice & RECORD_MODE_MASK);
}

uint32_t record_encrypted_flags(const struct record_header* header)
{
    return header->cipher_choice + RECORD_ENCRYPTED_FLAG;
}

void table_reader_start(struct table_reader* reader, const struct record_header* header,
                        const struct aes_key* key)
{
    /* The table is one buffer: one chain across all its entries. */
    decrypter_start(&reader->decrypter, key, record_mode_of(header), header->iv);
    reader->next = header->table;
    reader->remaining = header->table_length;
}

int table_reader_next_bytes(struct table_reader* reader, uint8_t plain[RECORD_ENTRY_SIZE])
{
    unsigned block;
    if (reader->remaining < RECORD_ENTRY_SIZE)
        return 0;
    bytes_copy(plain, reader->next, RECORD_ENTRY_SIZE);
    for (block = 0; block < RECORD_ENTRY_SIZE; block += AES_BLOCK_SIZE)
        decrypter_block(&reader->decrypter, plain + block);
    reader->next += RECORD_ENTRY_SIZE;
    reader->remaining -= RECORD_ENTRY_SIZE;
    return 1;
}

int table_reader_next(struct table_reader* reader, struct record_entry* entry)
{
    uint8_t plain[RECORD_ENTRY_SIZE];
    if (!table_reader_next_bytes(reader, plain))
        return 0;
    entry->address = load_le32(plain);
    entry->size = load_le32(plain + 4);
    entry->flags = load_le32(plain + 8);
    bytes_copy(entry->digest, plain + 12, SHA1_DIGEST_SIZE);
    bytes_wipe(plain, sizeof plain);
    return 1;
}
