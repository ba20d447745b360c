#pragma once

#include <string>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "signing/KeyFiles.h"

namespace vantrel {

struct KeyPairCheckRequest {
    std::string toolDirectory;  // the curve file
    KeyFilePaths paths;
    Progress progress;  // what was recovered from an interrupted replacement
};

// Whether the key files are one pair: the private key d is a private key of
// the curve file's curve and d*G is the point of the public key file. The
// failure names both files. Under the key folder's lock, so a replacement
// that a killed run left is finished first.
Status CheckKeyPair(const KeyPairCheckRequest& request);

}  // namespace vantrel
