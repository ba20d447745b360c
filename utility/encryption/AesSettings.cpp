#include "encryption/AesSettings.h"

#include "core/UserInterface.h"

namespace vantrel {

int AesKeyLengthBytes(int keyLenIndex)
{
    switch (keyLenIndex) {
    case KeyLenIndex::Bits128: return 16;
    case KeyLenIndex::Bits192: return 24;
    case KeyLenIndex::Bits256: return 32;
    default: return 0;
    }
}

int AesModeCode(int modeIndex)
{
    switch (modeIndex) {
    case ModeIndex::ECB: return AesModeCodeEcb;
    case ModeIndex::CBC: return AesModeCodeCbc;
    case ModeIndex::OFB:
    case ModeIndex::CTR: return AesModeCodeOfb;
    default: return -1;
    }
}

const EVP_CIPHER* AesEvpCipher(int keyLengthBytes, int modeCode)
{
    // Rows: 16, 24, 32 key bytes; columns: ECB, CBC, OFB (128-bit feedback).
    using Getter = const EVP_CIPHER* (*)();
    static constexpr Getter table[3][3] = {
        {EVP_aes_128_ecb, EVP_aes_128_cbc, EVP_aes_128_ofb},
        {EVP_aes_192_ecb, EVP_aes_192_cbc, EVP_aes_192_ofb},
        {EVP_aes_256_ecb, EVP_aes_256_cbc, EVP_aes_256_ofb},
    };
    int row = -1;
    switch (keyLengthBytes) {
    case 16: row = 0; break;
    case 24: row = 1; break;
    case 32: row = 2; break;
    default: return nullptr;
    }
    int column = -1;
    switch (modeCode) {
    case AesModeCodeEcb: column = 0; break;
    case AesModeCodeCbc: column = 1; break;
    case AesModeCodeOfb: column = 2; break;
    default: return nullptr;
    }
    return table[row][column]();
}

std::uint32_t AesCipherChoice(int keyLenIndex, int modeIndex)
{
    return static_cast<std::uint32_t>(keyLenIndex * 16 + modeIndex);
}

std::uint32_t AesEncryptedFlags(int keyLenIndex, int modeIndex)
{
    return AesCipherChoice(keyLenIndex, modeIndex) + 4;
}

}  // namespace vantrel
