#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/Outcome.h"

namespace vantrel {

// The public key as the device holds it: X then Y, each big-endian and as
// long as the curve's field (21 bytes each for m = 163). Read from the public
// key file, checked to be a point of the curve of the curve file.
Outcome<std::vector<std::uint8_t>> RawPublicKey(const std::string& publicKeyPath, const std::string& curveFilePath);

// SHA-256 of the raw public key, as 64 lowercase hexadecimal digits: what a
// user compares with the key fused into a device.
Outcome<std::string> PublicKeyFingerprint(const std::string& publicKeyPath, const std::string& curveFilePath);
// Whether the public key file holds the public Pelora key of the curve.
bool IsPeloraPublicKeyFile(const std::string& publicKeyPath, const std::string& curveFilePath);

// The same of a raw public key already read.
Outcome<std::string> RawKeyFingerprint(std::span<const std::uint8_t> rawKey);

}  // namespace vantrel
