#include "signing/BasePoint.h"

#include <openssl/err.h>

#include <fstream>

#include "signing/CurveChecks.h"

namespace vantrel {

namespace {

Outcome<Done> LibraryProblem(const char* what)
{
    return Outcome<Done>::Fail(std::string("Problem - ") + what + ": " + OpenSslErrorText());
}

bool NotOnCurveError()
{
    const unsigned long error = ERR_peek_last_error();
    return ERR_GET_LIB(error) == ERR_LIB_EC && ERR_GET_REASON(error) == EC_R_POINT_IS_NOT_ON_CURVE;
}

}  // namespace

Outcome<Done> SetUpBasePoint(Curve& curve, BN_CTX* context)
{
    EC_GROUP* group = curve.group.get();
    const CurveParameters& parameters = curve.parameters;
    EcPointPtr base(EC_POINT_new(group));
    EcPointPtr work(EC_POINT_new(group));
    if (!base || !work)
        return LibraryProblem("out of memory");

    // The library refuses to set a point that is not on the curve.
    if (!EC_POINT_set_affine_coordinates(group, base.get(), parameters.x.get(), parameters.y.get(), context)) {
        if (!NotOnCurveError())
            return LibraryProblem("the base point of ecc_koblitz.ecs cannot be set");
        ERR_clear_error();
        return Outcome<Done>::Fail("Problem - point (x,y) is not on the curve");
    }
    if (EC_POINT_is_on_curve(group, base.get(), context) != 1)
        return Outcome<Done>::Fail("Problem - point (x,y) is not on the curve");

    // q*G before G becomes the generator: the generic multiplication is
    // right for any q, while the generator's ladder relies on q being G's
    // order. A zero q would pass the test without being an order.
    if (!EC_POINT_mul(group, work.get(), nullptr, base.get(), parameters.q.get(), context))
        return LibraryProblem("q*G cannot be computed for ecc_koblitz.ecs");
    if (BN_is_zero(parameters.q.get()) || EC_POINT_is_at_infinity(group, work.get()) != 1)
        return Outcome<Done>::Fail("Problem - point (x,y) is not of order q");
    // A q that is a multiple of the point's order also gives infinity, but
    // inverses modulo q then fail for some nonces and signatures do not
    // verify: q must be prime.
    const int prime = BN_check_prime(parameters.q.get(), context, nullptr);
    if (prime < 0)
        return LibraryProblem("q of ecc_koblitz.ecs cannot be tested");
    if (prime == 0)
        return Outcome<Done>::Fail("Problem - q in ecc_koblitz.ecs is not prime, so it is not the order of (x,y)");

    if (Status order = CheckCurveOrder(parameters); !order)
        return order;
    if (!EC_GROUP_set_generator(group, base.get(), parameters.q.get(), nullptr))
        return LibraryProblem("the base point of ecc_koblitz.ecs cannot be used");
    return Done{};
}

Outcome<Curve> LoadCurveFile(const std::string& curveFilePath)
{
    // A file that cannot be read reads as an empty one: "Problem - no (x,y)
    // point, may be missing ecc_koblitz.ecs".
    std::ifstream curveStream(curveFilePath);
    Outcome<Curve> curve = LoadCurve(curveStream);
    if (!curve)
        return curve;
    BnCtxPtr context(BN_CTX_new());
    if (!context)
        return Outcome<Curve>::Fail("Problem - out of memory: " + OpenSslErrorText());
    if (Status basePoint = SetUpBasePoint(curve.value(), context.get()); !basePoint)
        return Outcome<Curve>::Fail(basePoint.message());
    return curve;
}

}  // namespace vantrel
