#pragma once

#include "core/OpenSslHandles.h"
#include "signing/CurveFile.h"

namespace vantrel {

// The Pelora pair is public (anyone can compute it from the curve file), so
// a key that is it protects nothing; these tell it when it is used.

// Whether d is the Pelora private key of the curve.
bool IsPeloraPrivateKey(const Curve& curve, const BIGNUM* d);

// Whether (x, y) is the Pelora public key of the curve, whose base point is
// set up (SetUpBasePoint).
bool IsPeloraPublicKey(const Curve& curve, const BIGNUM* x, const BIGNUM* y);

// How commands name it: "the public Pelora demonstration key pair".
inline constexpr const char* PeloraWarning =
    "the Pelora key pair is public (anyone can compute it from the curve file): for demonstrations only, never "
    "for a device";

}  // namespace vantrel
