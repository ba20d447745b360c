#pragma once

#include <string>

#include "core/Files.h"
#include "core/OpenSslHandles.h"
#include "core/Outcome.h"

namespace vantrel {

// The key files and the signature record; by default by bare name in the
// current working directory. Each holds whitespace-separated big numbers in
// uppercase hexadecimal, each line ending in a line break:
//   public.ecs     "X Y"  the affine coordinates of the public point
//   private.ecs    "d"    the private scalar (readable by its owner only)
//   signature.ecs  "r", "s" on two lines
inline constexpr const char* PublicKeyFileName = "public.ecs";
inline constexpr const char* PrivateKeyFileName = "private.ecs";
inline constexpr const char* SignatureRecordFileName = "signature.ecs";

// Where a key pair lives.
struct KeyFilePaths {
    std::string privateKey = PrivateKeyFileName;
    std::string publicKey = PublicKeyFileName;
};

// The text of a public key file: "X Y" in uppercase hexadecimal and a line
// end; "" when the library cannot print the numbers.
std::string PublicKeyFileText(const BIGNUM* x, const BIGNUM* y);

// Replaces both key files as one journalled step (ReplaceKeyPair), after
// checking that both may be replaced: a failure, a kill or a power loss
// leaves the earlier pair or the new one, never half of each. The caller
// holds the key folder's exclusive lock (KeyFolderLock).
Outcome<Done> WriteKeyFiles(const KeyFilePaths& paths, const BIGNUM* x, const BIGNUM* y, const BIGNUM* d);
inline Outcome<Done> WriteKeyFiles(const BIGNUM* x, const BIGNUM* y, const BIGNUM* d)
{
    return WriteKeyFiles(KeyFilePaths{}, x, y, d);
}

// The first number of the private key file. A missing file gives the message
// that asks for it; a malformed number gives a "Problem - " message that does
// not show the file's text.
Outcome<BignumPtr> ReadPrivateKey(const std::string& path = PrivateKeyFileName);

// The two numbers X Y of a public key file.
struct PublicKeyNumbers {
    BignumPtr x;
    BignumPtr y;
};
Outcome<PublicKeyNumbers> ReadPublicKey(const std::string& path = PublicKeyFileName);

// Keeps a copy of a key file beside it, named with the date and time
// (private.ecs -> private-20261207-142501.ecs), readable by its owner only;
// returns the copy's path.
Outcome<std::string> KeepDatedCopy(const std::string& path);

// signature.ecs written under a fresh name and checked, to be committed when
// the image it belongs to is signed.
Outcome<PendingFile> PrepareSignatureRecord(const BIGNUM* r, const BIGNUM* s);

}  // namespace vantrel
