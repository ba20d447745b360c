#pragma once

#include <string>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "signing/KeyFiles.h"
#include "signing/KeyPair.h"

namespace vantrel {

struct KeyImportRequest {
    std::string toolDirectory;  // the curve file
    std::string sourcePath;     // the OpenSSL private key file
    KeyFilePaths paths;         // the key files to write
    ConfirmReplace confirmReplace;
    Progress progress;          // "public key = X Y", and the dated copies kept
};

// Reads an OpenSSL private key file (PEM or DER; a traditional EC key or
// unencrypted PKCS#8) whose curve is the curve file's, named or given by its
// parameters, and writes its pair into the key files. Refuses a key on
// another curve naming that curve, and an encrypted or unreadable file;
// key files of another pair are replaced only as MakeKeyPair replaces them.
// A refusal leaves the key files unchanged. Never reports the private key.
Status ImportPrivateKey(const KeyImportRequest& request);

}  // namespace vantrel
