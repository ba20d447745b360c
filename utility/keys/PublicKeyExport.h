#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Outcome.h"
#include "signing/KeyFiles.h"

namespace vantrel {

// The forms a public key is written in.
enum class PublicKeyFormat {
    Pem,     // SubjectPublicKeyInfo, PEM
    Der,     // SubjectPublicKeyInfo, DER
    Raw,     // X then Y, as RawPublicKey
    CArray,  // the raw bytes as a C array (see ExportPublicKey)
    Sha256,  // the fingerprint (PublicKeyFingerprint) and a line break
};

struct PublicKeyExportRequest {
    std::string toolDirectory;  // the curve file
    std::string publicKeyPath = PublicKeyFileName;
    PublicKeyFormat format = PublicKeyFormat::Pem;
};

// The public key of the public key file in the requested form. The
// SubjectPublicKeyInfo names the curve when OpenSSL knows it by name
// (sect163k1 for the curve file we ship) and carries its explicit parameters
// otherwise. The C array is a header-ready definition:
//   /* Public key: X then Y, 21 bytes each, big-endian.
//      SHA-256: <fingerprint> */
//   static const unsigned char vantrel_public_key[42] = {
//       /* X */
//       0x.., ... (at most 12 bytes a line)
//       /* Y */
//       0x.., ...
//   };
Outcome<std::vector<std::uint8_t>> ExportPublicKey(const PublicKeyExportRequest& request);

}  // namespace vantrel
