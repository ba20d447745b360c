#pragma once

#include <istream>
#include <string>

#include "core/OpenSslHandles.h"
#include "core/Outcome.h"

namespace vantrel {

// The curve file's name in the tool directory.
inline constexpr const char* CurveFileName = "ecc_koblitz.ecs";

// toolDirectory + "/ecc_koblitz.ecs"; when there is none there, the
// installed data folder's (share/vantrel beside the executable's bin).
std::string CurveFilePath(const std::string& toolDirectory);

// The nine fields of the curve file, in file order: the curve
// y^2 + x*y = x^3 + A*x^2 + B over GF(2^m) with the reduction polynomial
// t^m + t^a + t^b + t^c + 1 (t^m + t^a + 1 when b is 0), and its base point
// (x, y) of prime order q.
struct CurveParameters {
    int m = 0;
    BignumPtr A, B, q, x, y;
    int a = 0, b = 0, c = 0;
};

// The parameters as read and the curve set up from them. The base point is
// not part of the group yet (see BasePoint.h).
struct Curve {
    CurveParameters parameters;
    EcGroupPtr group;
};

// Reads the curve file from an opened stream (a stream that failed to open
// reads as all zeros) and sets the curve up. Fails with a message starting
// "Problem - " that says what is wrong.
Outcome<Curve> LoadCurve(std::istream& curveStream);

}  // namespace vantrel
