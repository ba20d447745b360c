// The AESData record reader of verify: the fuzz input is the AESData
// section, read with a fixed key (the seed records were made with it). A
// record that reads, written again from what was read with the same IV,
// cipher choice and key, gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "encryption/AesCipher.h"
#include "encryption/AesDataRecord.h"
#include "encryption/AesSettings.h"
#include "verify/AesDataCheck.h"

namespace {

// The seed records' key; AES-128 and AES-192 records take its first 32 and
// 48 digits.
constexpr std::string_view FuzzKey = "00112233445566778899AABBCCDDEEFF0123456789ABCDEFFEDCBA9876543210";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> section(data, data + size);
    const vantrel::AesDataHeader header = vantrel::ReadAesDataHeader(section);
    const int keyBytes = vantrel::AesKeyLengthBytes(static_cast<int>(header.cipherChoice >> 4));
    const std::size_t digits = keyBytes != 0 ? 2 * static_cast<std::size_t>(keyBytes) : FuzzKey.size();
    const vantrel::SecretText key(FuzzKey.substr(0, digits));

    vantrel::VerifyReport report;
    const std::optional<vantrel::AesDataRecordContents> record = vantrel::ReadAesDataRecord(section, key, report);
    FUZZ_CHECK(!report.checks.empty());
    if (!record) {
        FUZZ_CHECK(!report.AllPassed());
        return 0;
    }
    FUZZ_CHECK(report.AllPassed());
    FUZZ_CHECK(record->key.size() == static_cast<std::size_t>(keyBytes));
    const std::size_t recordSize = vantrel::AesDataRecordSize(record->entries.size());
    FUZZ_CHECK(recordSize == vantrel::AesDataHeaderSize + header.tableLength && recordSize <= section.size());

    std::optional<vantrel::AesCipher> cipher =
        vantrel::AesCipher::Setup(vantrel::AesModeCode(static_cast<int>(header.cipherChoice & 0x3)), keyBytes,
                                  record->key.data(), header.iv);
    FUZZ_CHECK(cipher.has_value());
    std::vector<std::uint8_t> written(section.size(), 0);
    FUZZ_CHECK(vantrel::WriteAesDataRecord(written, header.iv, header.cipherChoice, record->entries, *cipher).ok());
    FUZZ_CHECK(std::equal(written.begin(), written.begin() + static_cast<std::ptrdiff_t>(recordSize),
                          section.begin()));
    return 0;
}
