#pragma once

#include <string>

#include "core/OpenSslHandles.h"
#include "signing/CurveFile.h"
#include "core/Outcome.h"

namespace vantrel {

// Makes G = (x, y) of the curve file, checks that it lies on the curve and
// that q*G is the point at infinity and q is prime, checks q's size
// (CheckCurveOrder), and then makes G with order q the
// group's generator, so later multiplications by secret scalars take the
// library's constant-time path. Messages: "Problem - point (x,y) is not on
// the curve", "Problem - point (x,y) is not of order q", or a "Problem - "
// message with the library's error text.
Outcome<Done> SetUpBasePoint(Curve& curve, BN_CTX* context);

// The curve of the curve file at curveFilePath with its base point as the
// group's generator (LoadCurve, then SetUpBasePoint): the one way every
// operation reads the curve, so a curve one of them refuses, all refuse.
Outcome<Curve> LoadCurveFile(const std::string& curveFilePath);

}  // namespace vantrel
