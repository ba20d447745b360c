#include "encryption/AesDataRecord.h"

#include <algorithm>

#include "core/LittleEndian.h"

namespace vantrel {


std::vector<std::uint8_t> AesDataPlainTable(const std::vector<AesDataEntry>& entries)
{
    std::vector<std::uint8_t> table(AesDataEntrySize * entries.size());
    std::uint8_t* at = table.data();
    for (const AesDataEntry& entry : entries) {
        StoreLittleEndian32(at, entry.address);
        StoreLittleEndian32(at + 4, entry.size);
        StoreLittleEndian32(at + 8, entry.flags);
        std::copy(entry.digest.begin(), entry.digest.end(), at + 12);
        at += AesDataEntrySize;
    }
    return table;
}

Status WriteAesDataRecord(std::vector<std::uint8_t>& section, const std::array<std::uint8_t, 16>& iv,
                           std::uint32_t cipherChoice, const std::vector<AesDataEntry>& entries,
                           AesCipher& cipher)
{
    if (section.size() < AesDataRecordSize(entries.size()))
        return Status::Fail("The AESData record does not fit its section.\n");
    std::vector<std::uint8_t> table = AesDataPlainTable(entries);
    Sha1Digest tableDigest{};
    if (Status digested = Sha1(table, tableDigest); !digested)
        return digested;
    if (Status encrypted = cipher.Encrypt(table); !encrypted)
        return encrypted;

    std::uint8_t* header = section.data();
    std::copy(iv.begin(), iv.end(), header);
    std::copy(tableDigest.begin(), tableDigest.end(), header + 16);
    StoreLittleEndian32(header + 36, static_cast<std::uint32_t>(table.size()));
    StoreLittleEndian32(header + 40, cipherChoice);
    std::copy(table.begin(), table.end(), header + AesDataHeaderSize);
    return Status(Done{});
}

}  // namespace vantrel
