#pragma once

#include <string>

#include "core/Outcome.h"
#include "core/Progress.h"

namespace vantrel {

// Where the key pair of a signing comes from.
enum class KeyPairSource {
    Pelora,    // the fixed, reproducible key pair of the curve
    Generate,  // a fresh pair from the secure generator
    Default,   // the key files as they are
};

// Makes the key pair the source asks for on the curve of the tool
// directory's curve file and writes public.ecs and private.ecs into the
// current directory ("Default" keeps them). Reports the line
// "public key = X Y" (never the private key). A failure leaves the key files
// unchanged.
Status MakeKeyPair(const std::string& toolDirectory, KeyPairSource source, const Progress& progress = {});

}  // namespace vantrel
