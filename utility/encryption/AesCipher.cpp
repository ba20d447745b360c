#include "encryption/AesCipher.h"

#include <climits>

#include "encryption/AesSettings.h"

namespace vantrel {

std::optional<AesCipher> AesCipher::Setup(int modeCode, int keyLengthBytes, const std::uint8_t* key,
                                          const std::array<std::uint8_t, 16>& iv)
{
    const EVP_CIPHER* cipher = AesEvpCipher(keyLengthBytes, modeCode);
    if (cipher == nullptr)
        return std::nullopt;
    CipherCtxPtr context(EVP_CIPHER_CTX_new());
    if (!context || EVP_EncryptInit_ex2(context.get(), cipher, key, iv.data(), nullptr) != 1
        || EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        OpenSslErrorText();  // empties the queue; the caller has its own message
        return std::nullopt;
    }
    return AesCipher(std::move(context), iv);
}

namespace {

Status EncryptionFailed()
{
    return Status::Fail("AES encryption failed: " + OpenSslErrorText() + "\n");
}

}  // namespace

Status AesCipher::Encrypt(std::span<std::uint8_t> buffer)
{
    if (Status restarted = Restart(); !restarted)
        return restarted;
    if (Status encrypted = Continue(buffer); !encrypted)
        return encrypted;
    return Finish();
}

Status AesCipher::Restart()
{
    // Back to the IV (and, in OFB, to the start of the key stream) with the
    // key schedule kept.
    if (EVP_EncryptInit_ex2(context_.get(), nullptr, nullptr, iv_.data(), nullptr) != 1)
        return EncryptionFailed();
    return Status(Done{});
}

Status AesCipher::Continue(std::span<std::uint8_t> piece)
{
    if (piece.size() % 16 != 0)
        return Status::Fail("AES encryption needs a multiple of 16 bytes.\n");
    std::uint8_t* data = piece.data();
    std::size_t left = piece.size();
    while (left > 0) {
        // EVP takes an int count; large buffers go in chunks of whole blocks.
        const std::size_t chunk = left < (INT_MAX & ~std::size_t{15}) ? left : (INT_MAX & ~std::size_t{15});
        int written = 0;
        if (EVP_EncryptUpdate(context_.get(), data, &written, data, static_cast<int>(chunk)) != 1
            || static_cast<std::size_t>(written) != chunk)
            return EncryptionFailed();
        data += chunk;
        left -= chunk;
    }
    return Status(Done{});
}

Status AesCipher::Finish()
{
    std::uint8_t tail[16];
    int tailLength = 0;
    if (EVP_EncryptFinal_ex(context_.get(), tail, &tailLength) != 1 || tailLength != 0)
        return EncryptionFailed();
    return Status(Done{});
}

}  // namespace vantrel
