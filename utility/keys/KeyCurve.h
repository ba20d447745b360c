#pragma once

#include <string>

#include "core/OpenSslHandles.h"
#include "core/Outcome.h"
#include "signing/BasePoint.h"
#include "signing/CurveFile.h"
#include "signing/KeyFiles.h"

namespace vantrel {

// The short name OpenSSL gives the group's curve ("sect163k1"), found by its
// parameters; "" when OpenSSL knows the curve by no name.
std::string CurveShortName(const EC_GROUP* group);

// The curve as a message names it: its short name, or "an unnamed curve of
// N bits".
std::string CurveDescription(const EC_GROUP* group);

// True when 0 < d < q, the range of the curve's private keys.
bool IsPrivateKeyOf(const Curve& curve, const BIGNUM* d);

// The public point d*G of the private key d, computed on the library's
// constant-time path.
Outcome<PublicKeyNumbers> PublicPointOf(const Curve& curve, const BIGNUM* d);

}  // namespace vantrel
