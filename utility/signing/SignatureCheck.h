#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// What the signature check needs: the curve file, the public key file, the
// 48 bytes of digital_signature (r then s, 24 bytes each, least significant
// byte first) and the signed message bytes.
struct SignatureInputs {
    std::string curvePath;
    std::string publicKeyPath;
    std::vector<std::uint8_t> signature;
    std::vector<std::uint8_t> message;
};

// Checks the ECDSA signature over the SHA-1 digest of the message (the whole
// 160-bit digest as the integer h) the way the boot code does. Returns true
// when it holds; otherwise detail says why not.
bool CheckSignature(const SignatureInputs& inputs, std::string& detail);

}  // namespace vantrel
