#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "core/Secret.h"
#include "keys/PublicKeyExport.h"
#include "signing/KeyFiles.h"

namespace vantrel {

// Where a token key is: a pkcs11: URI (token=, object=, id=, and perhaps
// module-path=), the module when the URI names none (empty: the modules
// p11-kit is configured with), and the user PIN.
struct TokenKeyLocation {
    std::string uri;
    std::string modulePath;
    SecretBytes pin;
};

struct TokenSignRequest {
    std::string imagePath;
    std::string toolDirectory;  // sectmend, scnlist and the curve file
    TokenKeyLocation key;
    std::string publicKeyPath = PublicKeyFileName;  // must hold the token's public key
    std::function<bool(const std::string&)> confirmResign;  // as SignRequest's
    Progress progress;
};

// Signs the image in place with the token's private key: exchanges msg_code
// and msg_data on a working copy, has the token sign the SHA-1 digest of
// the message with CKM_ECDSA (the token's own nonce), checks r and s against
// the public key file (which must hold the token's public key: verify reads
// it) as verify does, and only then writes
// digital_signature and signature.ecs. The token is opened and logged in
// before the image is copied, so a wrong PIN, a missing key, a module that
// does not load or a key on another curve leave everything as it was.
Status SignImageWithToken(const TokenSignRequest& request);

struct TokenKeyGenerateRequest {
    TokenKeyLocation key;
    std::string publicKeyPath = PublicKeyFileName;  // written; must not exist yet
};

// Makes a key pair on sect163k1 inside the token (the private key sensitive,
// never extractable, both keys for signing and verifying only) with the
// URI's label, and the URI's id or a fresh one, and writes its public key to
// publicKeyPath. Refuses a URI that names any object already there. Returns
// the key's id (CKA_ID).
Outcome<std::vector<std::uint8_t>> GenerateTokenKey(const TokenKeyGenerateRequest& request);

struct TokenKeyExportRequest {
    TokenKeyLocation key;
    std::string toolDirectory;  // the curve file
    PublicKeyFormat format = PublicKeyFormat::Pem;
};

// The token's public key in a form keys export offers.
Outcome<std::vector<std::uint8_t>> ExportTokenPublicKey(const TokenKeyExportRequest& request);

}  // namespace vantrel
