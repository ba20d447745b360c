#pragma once

#include <string>

#include "core/Outcome.h"
#include "signing/KeyFiles.h"

namespace vantrel {

struct KeyPairCheckRequest {
    std::string toolDirectory;  // the curve file
    KeyFilePaths paths;
};

// Whether the key files are one pair: the private key d is a private key of
// the curve file's curve and d*G is the point of the public key file. The
// failure names both files.
Status CheckKeyPair(const KeyPairCheckRequest& request);

}  // namespace vantrel
