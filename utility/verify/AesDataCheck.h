#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "encryption/AesDataRecord.h"
#include "core/Progress.h"
#include "core/Secret.h"
#include "core/Sha1.h"
#include "verify/ImageSections.h"
#include "verify/VerifyReport.h"

namespace vantrel {

// The plain header of an AESData record as the boot code reads it.
struct AesDataHeader {
    std::array<std::uint8_t, 16> iv{};
    Sha1Digest tableDigest{};
    std::uint32_t tableLength = 0;
    std::uint32_t cipherChoice = 0;  // key-length index * 16 + mode index
};

// The header at the start of the section (all zeros when it is too short).
AesDataHeader ReadAesDataHeader(const std::vector<std::uint8_t>& section);

// Decrypts a buffer whose length is a multiple of 16 in place, from the IV,
// in the mode of the mode index (ECB, CBC, OFB; "CTR" is OFB processing).
bool DecryptBuffer(int modeIndex, std::span<const std::uint8_t> key, const std::array<std::uint8_t, 16>& iv,
                   std::vector<std::uint8_t>& buffer, std::string& error);

// A record read with its key: the header, the key the header's length asks
// for, and the decrypted table's entries in order.
struct AesDataRecordContents {
    AesDataHeader header;
    SecretBytes key;
    std::vector<AesDataEntry> entries;
};

// Reads the record at the start of the section with the key text: checks the
// header against the section, the key against the header, and the decrypted
// table against its digest, adding those checks to the report. Nothing when
// one of them fails.
std::optional<AesDataRecordContents> ReadAesDataRecord(const std::vector<std::uint8_t>& aesData,
                                                      const SecretText& keyText, VerifyReport& report);

// Checks the AESData record with the key: the header, the table's digest after
// decryption, and every entry's digest against the image section at its
// address and size. With the original (unprotected) image, each encrypted
// section is decrypted and compared byte for byte with the original's section
// of the same name. Sections are streamed, never held whole. Adds its checks
// to the report. progress (may be empty) hears one line per section, with a
// count in large ones.
void CheckAesData(const std::vector<std::uint8_t>& aesData, const SecretText& keyText, ImageSections& image,
                  ImageSections* original, VerifyReport& report, const Progress& progress);

}  // namespace vantrel
