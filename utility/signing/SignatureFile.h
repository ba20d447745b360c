#pragma once

#include <string>

#include "core/Outcome.h"
#include "signing/EcdsaSign.h"

namespace vantrel {

// r and s of a signature made elsewhere, from a file that holds either the
// DER encoding of ECDSA-Sig-Value (what `openssl dgst -sign` writes) or 48
// bytes r || s, each 24 bytes, most significant byte first. DER is tried
// first and must fill the file exactly (with the 163-bit curve a raw r
// begins with zero bytes, so the two forms never meet). The values are not
// checked against a curve here: the verification does that.
Outcome<EcdsaSignature> ReadSignatureFile(const std::string& path);

}  // namespace vantrel
