#pragma once

#include <functional>
#include <string>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "signing/KeyFiles.h"
#include "signing/KeyFolderLock.h"

namespace vantrel {

// Where the key pair of a signing comes from.
enum class KeyPairSource {
    Pelora,    // the fixed, reproducible key pair of the curve
    Generate,  // a fresh pair from the secure generator
    Default,   // the key files as they are
};

// Asked before key files that hold another pair are replaced; true allows
// it. Empty: never replace them.
using ConfirmReplace = std::function<bool(const std::string& question)>;

struct KeyPairRequest {
    std::string toolDirectory;  // the curve file
    KeyPairSource source = KeyPairSource::Default;
    KeyFilePaths paths;
    ConfirmReplace confirmReplace;
    Progress progress;          // "public key = X Y", and the dated copies kept
};

// Makes the key pair the source asks for on the curve of the tool
// directory's curve file and writes the key files ("Default" keeps them).
// Key files that hold another pair are replaced only when confirmReplace
// allows it, and are then kept beside as dated copies, readable by their
// owner only. Reports the line "public key = X Y" (never the private key).
// A failure leaves the key files unchanged. Holds the exclusive lock of the
// key folder while it works.
Status MakeKeyPair(const KeyPairRequest& request);


}  // namespace vantrel
