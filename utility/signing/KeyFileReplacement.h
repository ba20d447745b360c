#pragma once

#include "core/OpenSslHandles.h"
#include "core/Outcome.h"
#include "core/Progress.h"
#include "signing/KeyFiles.h"
#include "signing/KeyPair.h"

namespace vantrel {

// Whether the key files may be replaced by the pair (x, y, d): yes when
// neither exists or they already hold that pair; otherwise only when
// confirmReplace allows it, and then each existing file is first kept beside
// as a dated copy (reported on progress). The refusal names the files.
Status AllowKeyFileReplacement(const KeyFilePaths& paths, const ConfirmReplace& confirmReplace,
                               const Progress& progress, const BIGNUM* x, const BIGNUM* y, const BIGNUM* d);

}  // namespace vantrel
