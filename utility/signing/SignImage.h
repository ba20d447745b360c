#pragma once

#include <string>

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
    Progress progress;
};

// Makes or keeps the key pair (MakeKeyPair), then signs the image with the
// private key file: exchanges msg_code and msg_data,
// signs the SHA-1 digest of the former msg_code bytes with ECDSA and writes r
// and s into digital_signature, and leaves signature.ecs. All of it happens
// on a private working copy beside the image, which replaces the image only
// when every step passed: a failure, a kill or a full disk leaves the image
// as it was.
Status SignImage(const SignRequest& request);

}  // namespace vantrel
