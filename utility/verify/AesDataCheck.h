#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "verify/ImageSections.h"
#include "verify/VerifyReport.h"

namespace vantrel {

// The fixed part of the AESData record: 44 bytes, integers little-endian.
struct AesDataHeader {
    std::uint8_t iv[16];
    std::uint8_t tableDigest[20];
    std::uint32_t tableLength;
    std::uint32_t cipherChoice;  // key-length index * 16 + mode index
};
constexpr std::size_t AesDataHeaderSize = 44;
constexpr std::size_t AesDataEntrySize = 32;

AesDataHeader ReadAesDataHeader(const std::vector<std::uint8_t>& section);

// The AES key of a save from the key text as Save reads it: zeros in front up
// to 2 x keyBytes digits, the first 2 x keyBytes digits used.
std::vector<std::uint8_t> KeyFromText(const std::string& keyText, int keyBytes);

// Decrypts a buffer whose length is a multiple of 16 in place, from the IV,
// in the mode of the mode index (ECB, CBC, OFB; "CTR" is OFB processing).
bool DecryptBuffer(int modeIndex, const std::vector<std::uint8_t>& key, const std::uint8_t* iv,
                   std::vector<std::uint8_t>& buffer, std::string& error);

// Checks the AESData record with the key: the header, the table's digest after
// decryption, and every entry's digest against the image section at its
// address and size; encrypted sections are decrypted. Adds its checks to the
// report. progress (may be empty) hears one line per section.
void CheckAesData(const std::vector<std::uint8_t>& aesData, const std::string& keyText, ImageSections& image,
                  VerifyReport& report, const std::function<void(const std::string&)>& progress);

}  // namespace vantrel
