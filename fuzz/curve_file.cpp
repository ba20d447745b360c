// The curve file reader: the fuzz input is a curve file. A file that reads
// sets up a curve; its parameters, written out again in the file's layout,
// read back as the same parameters and the same curve. The base point set-up
// that follows the reading never fails badly either.
#include <openssl/bn.h>
#include <openssl/ec.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzSupport.h"
#include "signing/BasePoint.h"
#include "signing/BigNumberText.h"
#include "signing/CurveFile.h"

namespace {

std::string CurveFileText(const vantrel::CurveParameters& p)
{
    using vantrel::BigNumberHex;
    return std::to_string(p.m) + " " + BigNumberHex(p.A.get()) + " " + BigNumberHex(p.B.get()) + " " +
           BigNumberHex(p.q.get()) + " " + BigNumberHex(p.x.get()) + " " + BigNumberHex(p.y.get()) + " " +
           std::to_string(p.a) + " " + std::to_string(p.b) + " " + std::to_string(p.c) + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream file(std::string(reinterpret_cast<const char*>(data), size));
    vantrel::Outcome<vantrel::Curve> curve = vantrel::LoadCurve(file);
    if (!curve.ok()) {
        FUZZ_CHECK(curve.message().rfind("Problem - ", 0) == 0);
        return 0;
    }
    const vantrel::CurveParameters& p = curve.value().parameters;
    std::istringstream written(CurveFileText(p));
    vantrel::Outcome<vantrel::Curve> again = vantrel::LoadCurve(written);
    FUZZ_CHECK(again.ok());
    const vantrel::CurveParameters& q = again.value().parameters;
    FUZZ_CHECK(p.m == q.m && p.a == q.a && p.b == q.b && (p.b == 0 || p.c == q.c));
    FUZZ_CHECK(BN_cmp(p.A.get(), q.A.get()) == 0 && BN_cmp(p.B.get(), q.B.get()) == 0 &&
               BN_cmp(p.q.get(), q.q.get()) == 0 && BN_cmp(p.x.get(), q.x.get()) == 0 &&
               BN_cmp(p.y.get(), q.y.get()) == 0);
    // A curve whose base point sets up is the same group after the round trip.
    vantrel::BnCtxPtr context(BN_CTX_new());
    FUZZ_CHECK(context != nullptr);
    const vantrel::Outcome<vantrel::Done> basePoint = vantrel::SetUpBasePoint(curve.value(), context.get());
    if (!basePoint.ok()) {
        FUZZ_CHECK(basePoint.message().rfind("Problem - ", 0) == 0);
        return 0;
    }
    FUZZ_CHECK(vantrel::SetUpBasePoint(again.value(), context.get()).ok());
    FUZZ_CHECK(EC_GROUP_cmp(curve.value().group.get(), again.value().group.get(), context.get()) == 0);
    return 0;
}
