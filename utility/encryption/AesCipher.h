#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include <openssl/evp.h>

#include "core/OpenSslHandles.h"
#include "core/Outcome.h"

namespace vantrel {

// The AES context of one save: key schedule, mode and IV. Every buffer is
// encrypted as if it were the only one: it starts from the IV, and the
// chaining register is back at the IV afterwards, so equal buffers give equal
// ciphertext (the target decrypts each buffer on its own from the recorded IV).
// The key schedule lives only inside the OpenSSL context, which wipes it when
// it is freed.
class AesCipher {
public:
    // Refuses (nothing) when the key length is not 16, 24 or 32 bytes, the
    // mode code is not one of ours, or OpenSSL cannot set the context up.
    static std::optional<AesCipher> Setup(int modeCode, int keyLengthBytes, const std::uint8_t* key,
                                          const std::array<std::uint8_t, 16>& iv);

    // Encrypts the buffer in place, block by block from the IV, with no
    // padding. The size must be a multiple of 16.
    Status Encrypt(std::span<std::uint8_t> buffer);

    // The same, for a buffer that comes in pieces (a section streamed block
    // by block): Restart, then Continue with each piece in order (each a
    // multiple of 16 bytes), then Finish. The pieces come out as Encrypt of
    // the whole buffer would make them.
    Status Restart();
    Status Continue(std::span<std::uint8_t> piece);
    Status Finish();

private:
    AesCipher(CipherCtxPtr context, const std::array<std::uint8_t, 16>& iv) : context_(std::move(context)), iv_(iv) {}

    CipherCtxPtr context_;
    std::array<std::uint8_t, 16> iv_;
};

}  // namespace vantrel
