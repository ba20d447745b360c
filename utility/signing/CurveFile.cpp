#include "signing/CurveFile.h"

#include <filesystem>
#include <string>
#include <vector>

#include "core/InstalledData.h"
#include "core/ToolDirectory.h"
#include "signing/BigNumberText.h"
#include "signing/FieldPolynomial.h"

namespace vantrel {

namespace {

const char* const NoPointMessage = "Problem - no (x,y) point, may be missing ecc_koblitz.ecs";

std::string TokenMessage(TokenProblem problem, const char* field)
{
    const std::string where = std::string("Problem - ecc_koblitz.ecs: the number ") + field;
    switch (problem) {
    case TokenProblem::TooLong:
        return where + " is longer than " + std::to_string(MaxNumberTokenLength) + " characters";
    case TokenProblem::NotHexadecimal:
        return where + " is not hexadecimal digits alone (write it without a \"0x\" prefix)";
    case TokenProblem::OutOfMemory:
    case TokenProblem::None:
        break;
    }
    return where + " could not be converted: " + OpenSslErrorText();
}

// Reads A, B, q, x and y in file order.
Outcome<Done> ReadBigNumbers(std::istream& in, CurveParameters& parameters)
{
    struct Field { const char* name; BignumPtr* target; };
    const Field fields[] = {{"A", &parameters.A}, {"B", &parameters.B}, {"q", &parameters.q},
                            {"x", &parameters.x}, {"y", &parameters.y}};
    for (const Field& field : fields) {
        BigNumberRead read = ReadBigNumber(in);
        if (read.problem != TokenProblem::None)
            return Outcome<Done>::Fail(TokenMessage(read.problem, field.name));
        *field.target = std::move(read.value);
    }
    return Done{};
}

// Reads a, b and c; c is needed only for a pentanomial (b not 0).
bool ReadExponents(std::istream& in, CurveParameters& parameters)
{
    if (!(in >> parameters.a >> parameters.b))
        return false;
    return parameters.b == 0 || static_cast<bool>(in >> parameters.c);
}

bool IsUsableBasis(const CurveParameters& p)
{
    if (p.m > OPENSSL_ECC_MAX_FIELD_BITS || p.a <= 0 || p.a >= p.m)
        return false;
    return p.b == 0 || (p.b < p.a && p.c > 0 && p.c < p.b);
}

std::string ExponentsText(const CurveParameters& p)
{
    return "(m = " + std::to_string(p.m) + ", a = " + std::to_string(p.a) + ", b = " + std::to_string(p.b) +
           ", c = " + std::to_string(p.c) + ")";
}

std::string BasisMessage(const CurveParameters& p)
{
    return "Problem - the exponents in ecc_koblitz.ecs " + ExponentsText(p) +
           " form no usable reduction polynomial: need " + std::to_string(OPENSSL_ECC_MAX_FIELD_BITS) +
           " >= m > a > b > c > 0, or m > a > 0 with b = 0";
}

// t^m + t^a + t^b + t^c + 1, or t^m + t^a + 1 when b is 0.
BignumPtr ReductionPolynomial(const CurveParameters& p)
{
    BignumPtr polynomial(BN_new());
    if (!polynomial)
        return nullptr;
    std::vector<int> bits{p.m, p.a, 0};
    if (p.b != 0)
        bits.insert(bits.end(), {p.b, p.c});
    for (int bit : bits) {
        if (!BN_set_bit(polynomial.get(), bit))
            return nullptr;
    }
    return polynomial;
}

}  // namespace

std::string CurveFilePath(const std::string& toolDirectory)
{
    // Beside the tools first (the build, a folder of its own); an installed
    // toolset keeps it in its data folder.
    const std::string besideTools = ToolPath(toolDirectory, CurveFileName);
    std::error_code error;
    if (std::filesystem::exists(besideTools, error))
        return besideTools;
    const std::string installed = ToolPath(InstalledDataDirectory(), CurveFileName);
    return std::filesystem::exists(installed, error) ? installed : besideTools;
}

Outcome<Curve> LoadCurve(std::istream& curveStream)
{
    Curve curve;
    CurveParameters& parameters = curve.parameters;
    curveStream >> parameters.m;  // a failed read leaves 0
    Outcome<Done> numbers = ReadBigNumbers(curveStream, parameters);
    if (!numbers.ok())
        return Outcome<Curve>::Fail(numbers.message());
    const bool exponentsRead = ReadExponents(curveStream, parameters);

    if (BN_is_zero(parameters.x.get()) || BN_is_zero(parameters.y.get()))
        return Outcome<Curve>::Fail(NoPointMessage);
    if (!exponentsRead)
        return Outcome<Curve>::Fail(
            "Problem - ecc_koblitz.ecs ends before the exponents a, b, c of the reduction polynomial, "
            "or they are not decimal numbers");
    if (!IsUsableBasis(parameters))
        return Outcome<Curve>::Fail(BasisMessage(parameters));

    BnCtxPtr context(BN_CTX_new());
    BignumPtr polynomial = ReductionPolynomial(parameters);
    if (!context || !polynomial)
        return Outcome<Curve>::Fail("Problem - the curve of ecc_koblitz.ecs cannot be set up: out of memory");
    // Over a ring that is not a field, or on a singular curve, the library's
    // blinded arithmetic fails or succeeds at random: such a curve signs
    // nothing reliably, so it is refused here, the same way every time.
    const Outcome<bool> field = IsIrreducible(polynomial.get(), context.get());
    if (!field.ok())
        return Outcome<Curve>::Fail("Problem - the curve of ecc_koblitz.ecs cannot be set up: " + field.message());
    if (!field.value())
        return Outcome<Curve>::Fail("Problem - the reduction polynomial of ecc_koblitz.ecs " +
                                    ExponentsText(parameters) + " is not irreducible, so GF(2^m) is not a field");
    if (BN_is_zero(parameters.B.get()))
        return Outcome<Curve>::Fail("Problem - B in ecc_koblitz.ecs is 0, so the curve is singular");
    curve.group.reset(EC_GROUP_new_curve_GF2m(polynomial.get(), parameters.A.get(), parameters.B.get(),
                                              context.get()));
    if (!curve.group)
        return Outcome<Curve>::Fail("Problem - the curve of ecc_koblitz.ecs cannot be set up: " +
                                    OpenSslErrorText());
    return curve;
}

}  // namespace vantrel
