#pragma once

#include <openssl/bn.h>

#include "core/Outcome.h"

namespace vantrel {

// Writes the signature (r, s) for the section tool and the user into the
// current directory: signature.ecs (r and s, one a line), signature.bf (the
// 96-character signature text) and tmp.bf (the same 96 characters read back,
// which the section tool reads with -text). Stale signature.bf and tmp.bf
// are removed first. Fails with a message naming the file.
Outcome<Done> WriteSignatureFiles(const BIGNUM* r, const BIGNUM* s);

}  // namespace vantrel
