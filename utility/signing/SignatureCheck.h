#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Sha1.h"

namespace vantrel {

// What the signature check needs: the curve file, the public key file, the
// 48 bytes of digital_signature (r then s, 24 bytes each, least significant
// byte first) and the SHA-1 digest of the signed message.
struct SignatureInputs {
    std::string curvePath;
    std::string publicKeyPath;
    std::vector<std::uint8_t> signature;
    Sha1Digest messageDigest{};
};

// Checks the ECDSA signature over the message digest (the whole 160-bit
// digest as the integer h) the way the boot code does. Returns true
// when it holds; otherwise detail says why not.
bool CheckSignature(const SignatureInputs& inputs, std::string& detail);

}  // namespace vantrel
