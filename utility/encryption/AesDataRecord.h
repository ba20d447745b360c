#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "encryption/AesCipher.h"
#include "core/Outcome.h"
#include "core/Sha1.h"

namespace vantrel {

// The record a save leaves at the start of the image's AESData section, all
// integers unsigned 32-bit little-endian:
//   header (44 bytes, plain): iv[16] tableDigest[20] tableLength cipherChoice
//   k entries (32 bytes each, encrypted as one chain from the IV):
//     address size flags digest[20]
// tableDigest is the SHA-1 of the plain table. The key is not in the record.
constexpr std::size_t AesDataHeaderSize = 44;
constexpr std::size_t AesDataEntrySize = 32;

struct AesDataEntry {
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    std::uint32_t flags = 0;  // 0: hashed only; see AesEncryptedFlags
    Sha1Digest digest{};      // of the bytes as they stand in the saved image
};

// Bytes the header and a table of the given count of entries take.
constexpr std::size_t AesDataRecordSize(std::size_t entries)
{
    return AesDataHeaderSize + AesDataEntrySize * entries;
}

// The table in its plain form, entries in order.
std::vector<std::uint8_t> AesDataPlainTable(const std::vector<AesDataEntry>& entries);

// Lays the record over the first bytes of section (the section's current
// contents; the bytes after the table stay as they are). The section must
// hold AesDataRecordSize(entries.size()) bytes at least.
Status WriteAesDataRecord(std::vector<std::uint8_t>& section, const std::array<std::uint8_t, 16>& iv,
                           std::uint32_t cipherChoice, const std::vector<AesDataEntry>& entries,
                           AesCipher& cipher);

}  // namespace vantrel
