#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <p11-kit/pkcs11.h>

#include "core/Outcome.h"
#include "core/Sha1.h"
#include "pkcs11/TokenSession.h"
#include "pkcs11/TokenUri.h"
#include "signing/EcdsaSign.h"
#include "signing/KeyFiles.h"

namespace vantrel {

// The DER object identifier of the binary-field Koblitz curve the records
// are signed on (sect163k1), as CKA_EC_PARAMS holds it.
inline constexpr std::uint8_t TokenCurveParameters[] = {0x06, 0x05, 0x2b, 0x81, 0x04, 0x00, 0x01};

// An EC key pair in a token, found by the object attributes of a URI.
struct TokenKeyPair {
    CK_OBJECT_HANDLE privateKey = CK_INVALID_HANDLE;
    CK_OBJECT_HANDLE publicKey = CK_INVALID_HANDLE;
};

// The object of the class given that the URI names; exactly one must match.
Outcome<CK_OBJECT_HANDLE> FindTokenObject(const TokenSession& session, const TokenUri& uri, CK_OBJECT_CLASS type);

// How many objects of any class the URI's label and id match.
Outcome<CK_ULONG> CountTokenObjects(const TokenSession& session, const TokenUri& uri);

// The public key X, Y from CKA_EC_POINT; refuses a key on another curve.
Outcome<PublicKeyNumbers> ReadTokenPublicKey(const TokenSession& session, CK_OBJECT_HANDLE publicKey);

// r and s of CKM_ECDSA over the digest, made inside the token (r || s,
// big-endian, as the token returns them).
Outcome<EcdsaSignature> SignWithTokenKey(const TokenSession& session, CK_OBJECT_HANDLE privateKey,
                                         const Sha1Digest& digest);

// A new key pair on the curve, made inside the token with the label of the
// URI and the id given (CKA_ID) on both keys; the private key is sensitive
// and never extractable, and the keys sign and verify only.
Outcome<TokenKeyPair> GenerateTokenKeyPair(const TokenSession& session, const TokenUri& uri,
                                           std::span<const std::uint8_t> id);

}  // namespace vantrel
