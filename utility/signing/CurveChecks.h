#pragma once

#include "core/OpenSslHandles.h"
#include "core/Outcome.h"
#include "signing/CurveFile.h"

namespace vantrel {

// The one check of a curve's order that every command applies (key
// generation and import, signing, verification): q has 160 to 192 bits (the
// whole SHA-1 digest is the message integer, as the signing defines, and r
// and s take 24 bytes each), and q >= 2^(m-2), so that the cofactor, about
// 2^m / q, is at most 4. Fails with a "Problem - " message naming the rule.
Status CheckCurveOrder(const CurveParameters& parameters);

// Whether point lies in the group of order q of a curve set up with its base
// point (SetUpBasePoint): on the curve, not the point at infinity, and q
// times it is. A point outside (of small order, or mixed with one) gives
// signatures that mean nothing, so public keys from files, imports and
// tokens are all checked.
bool IsInPrimeOrderGroup(const EC_GROUP* group, const EC_POINT* point, BN_CTX* context);

}  // namespace vantrel
