#include "keys/PublicKeyFingerprint.h"

#include <openssl/evp.h>

#include "core/HexText.h"
#include "core/OpenSslHandles.h"
#include "keys/KeyCurve.h"
#include "signing/CurveChecks.h"
#include "signing/CurveFile.h"
#include "signing/KeyFiles.h"
#include "signing/PeloraKey.h"

namespace vantrel {

Outcome<std::vector<std::uint8_t>> RawPublicKey(const std::string& publicKeyPath, const std::string& curveFilePath)
{
    using Result = Outcome<std::vector<std::uint8_t>>;
    Outcome<Curve> curve = LoadCurveFile(curveFilePath);
    if (!curve)
        return Result::Fail(curve.message());
    Outcome<PublicKeyNumbers> key = ReadPublicKey(publicKeyPath);
    if (!key)
        return Result::Fail(key.message());
    const EC_GROUP* group = curve.value().group.get();
    EcPointPtr point(EC_POINT_new(group));
    if (!point || !EC_POINT_set_affine_coordinates(group, point.get(), key.value().x.get(), key.value().y.get(),
                                                   nullptr) ||
        EC_POINT_is_on_curve(group, point.get(), nullptr) != 1)
        return Result::Fail("the public key file " + publicKeyPath + " does not hold a point of the curve of " +
                            curveFilePath);
    if (!IsInPrimeOrderGroup(group, point.get(), nullptr))
        return Result::Fail("the public key file " + publicKeyPath +
                            " holds a point outside the group of order q of the curve of " + curveFilePath);
    const int fieldBytes = (curve.value().parameters.m + 7) / 8;
    std::vector<std::uint8_t> raw(2 * static_cast<std::size_t>(fieldBytes));
    if (BN_bn2binpad(key.value().x.get(), raw.data(), fieldBytes) != fieldBytes ||
        BN_bn2binpad(key.value().y.get(), raw.data() + fieldBytes, fieldBytes) != fieldBytes)
        return Result::Fail("the public key in " + publicKeyPath + " is larger than the curve's field");
    return raw;
}

Outcome<std::string> PublicKeyFingerprint(const std::string& publicKeyPath, const std::string& curveFilePath)
{
    Outcome<std::vector<std::uint8_t>> raw = RawPublicKey(publicKeyPath, curveFilePath);
    if (!raw)
        return Outcome<std::string>::Fail(raw.message());
    return RawKeyFingerprint(raw.value());
}

bool IsPeloraPublicKeyFile(const std::string& publicKeyPath, const std::string& curveFilePath)
{
    Outcome<Curve> curve = LoadCurveFile(curveFilePath);
    Outcome<PublicKeyNumbers> key = ReadPublicKey(publicKeyPath);
    return curve && key && IsPeloraPublicKey(curve.value(), key.value().x.get(), key.value().y.get());
}

Outcome<std::string> RawKeyFingerprint(std::span<const std::uint8_t> rawKey)
{
    std::vector<std::uint8_t> digest(32);
    unsigned int length = 0;
    if (EVP_Digest(rawKey.data(), rawKey.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1)
        return Outcome<std::string>::Fail("SHA-256 failed: " + OpenSslErrorText());
    return BytesToHex(digest);
}

}  // namespace vantrel
