#pragma once

#include <cstdint>

#include <openssl/evp.h>

namespace vantrel {

// What the "Key Len:" and "Mode:" choices select. The indices themselves (not
// bit counts or cipher mode numbers) are what the AESData record carries.

// Mode codes kept in DialogState::aesMode: the cipher processing a choice
// selects. "OFB" and "CTR" both select OFB with full 16-byte feedback.
constexpr int AesModeCodeEcb = 0;
constexpr int AesModeCodeCbc = 1;
constexpr int AesModeCodeOfb = 29;

// Key length in bytes (16, 24, 32) of a "Key Len:" index; 0 for any other index.
int AesKeyLengthBytes(int keyLenIndex);
// Mode code of a "Mode:" index; -1 for any other index.
int AesModeCode(int modeIndex);
// The OpenSSL cipher for a key length in bytes and a mode code, or null when
// either is not one of ours.
const EVP_CIPHER* AesEvpCipher(int keyLengthBytes, int modeCode);

// The header's cipherChoice: key-length index x 16 + mode index.
std::uint32_t AesCipherChoice(int keyLenIndex, int modeIndex);
// An encrypted section's entry flags: mode index + 4 + key-length index x 16
// (bit 2 marks encryption; the other bits repeat cipherChoice).
std::uint32_t AesEncryptedFlags(int keyLenIndex, int modeIndex);

}  // namespace vantrel
