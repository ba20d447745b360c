#pragma once

#include <string>

#include <openssl/bn.h>

namespace vantrel {

// Bytes each of r and s take in the digital_signature section.
constexpr int SignatureValueBytes = 24;

// The signature as the section tool's hexadecimal text: r then s, each as
// 24 bytes least significant first, two lowercase digits a byte, no
// separator: 96 characters. Empty when a value needs more than 24 bytes.
std::string SignatureText(const BIGNUM* r, const BIGNUM* s);

}  // namespace vantrel
