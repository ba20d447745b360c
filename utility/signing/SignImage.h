#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "signing/KeyPair.h"

namespace vantrel {

struct SignRequest {
    std::string imagePath;
    std::string toolDirectory;  // sectmend, scnlist and the curve file
    KeyPairSource keyPair = KeyPairSource::Default;
    KeyFilePaths keys;
    ConfirmReplace confirmReplaceKeys;  // asked before key files of another pair go
    ConfirmReplace confirmPelora;       // asked before signing with the public Pelora pair; empty: allowed
    ConfirmReplace confirmResign;       // asked before an image already signed is signed again; empty: refused
    Progress progress;
};

// What signed the image: the public key (X then Y, big-endian, each as long
// as the curve's field, as the device holds it) and whether it is the public
// Pelora pair.
struct SigningKeyUsed {
    std::vector<std::uint8_t> rawPublicKey;
    bool pelora = false;
};

// Makes or keeps the key pair (MakeKeyPair), then signs the image with the
// private key file: exchanges msg_code and msg_data, signs the SHA-1 digest
// of the former msg_code bytes with ECDSA and writes r and s into
// digital_signature, and leaves signature.ecs. All of it happens on a
// private working copy beside the image, which replaces the image only when
// every step passed: a failure, a kill or a full disk leaves the image as it
// was.
// The key folder is locked throughout (KeyFolderLock); the two key files
// must be one pair before anything changes, and the signature must verify
// with the public key file, as verify reads it, before the image is
// replaced. An image whose digital_signature already holds a signature is
// not exchanged again: with confirmResign's consent its message is signed as
// it stands, otherwise it is refused.
Outcome<SigningKeyUsed> SignImage(const SignRequest& request);

}  // namespace vantrel
