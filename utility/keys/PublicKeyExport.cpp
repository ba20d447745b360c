#include "keys/PublicKeyExport.h"

#include <openssl/core_names.h>
#include <openssl/objects.h>

#include <cstdio>
#include <span>

#include "keys/KeyCurve.h"
#include "keys/PublicKeyFingerprint.h"
#include "signing/KeyFolderLock.h"

namespace vantrel {

namespace {

using Bytes = std::vector<std::uint8_t>;

Outcome<Bytes> LibraryProblem(const std::string& what)
{
    return Outcome<Bytes>::Fail("Problem - " + what + ": " + OpenSslErrorText());
}

Bytes PointOctets(const EC_GROUP* group, const EC_POINT* point)
{
    Bytes octets(EC_POINT_point2oct(group, point, POINT_CONVERSION_UNCOMPRESSED, nullptr, 0, nullptr));
    if (octets.empty() ||
        EC_POINT_point2oct(group, point, POINT_CONVERSION_UNCOMPRESSED, octets.data(), octets.size(), nullptr) !=
            octets.size())
        return {};
    return octets;
}

// The curve by its field, coefficients, generator, order and cofactor, for a
// curve OpenSSL has no name for. The numbers must outlive the builder.
struct ExplicitCurve {
    BignumPtr polynomial{BN_new()}, a{BN_new()}, b{BN_new()};
    Bytes generator;
};

bool PushExplicitCurve(OSSL_PARAM_BLD* builder, const EC_GROUP* group, ExplicitCurve& curve)
{
    curve.generator = PointOctets(group, EC_GROUP_get0_generator(group));
    const char* fieldType = OBJ_nid2sn(EC_GROUP_get_field_type(group));
    return curve.polynomial && curve.a && curve.b && !curve.generator.empty() && fieldType &&
           EC_GROUP_get_curve(group, curve.polynomial.get(), curve.a.get(), curve.b.get(), nullptr) &&
           OSSL_PARAM_BLD_push_utf8_string(builder, OSSL_PKEY_PARAM_EC_ENCODING, OSSL_PKEY_EC_ENCODING_EXPLICIT, 0) &&
           OSSL_PARAM_BLD_push_utf8_string(builder, OSSL_PKEY_PARAM_EC_FIELD_TYPE, fieldType, 0) &&
           OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_EC_P, curve.polynomial.get()) &&
           OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_EC_A, curve.a.get()) &&
           OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_EC_B, curve.b.get()) &&
           OSSL_PARAM_BLD_push_octet_string(builder, OSSL_PKEY_PARAM_EC_GENERATOR, curve.generator.data(),
                                            curve.generator.size()) &&
           OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_EC_ORDER, EC_GROUP_get0_order(group)) &&
           OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_EC_COFACTOR, EC_GROUP_get0_cofactor(group));
}

// SubjectPublicKeyInfo ("PEM" or "DER") of the raw public key on the curve.
Outcome<Bytes> EncodePublicKeyInfo(const Curve& curve, const Bytes& raw, const char* outputType)
{
    const EC_GROUP* group = curve.group.get();
    Bytes point{POINT_CONVERSION_UNCOMPRESSED};
    point.insert(point.end(), raw.begin(), raw.end());
    const std::string name = CurveShortName(group);
    ExplicitCurve explicitCurve;
    ParamBldPtr builder(OSSL_PARAM_BLD_new());
    if (!builder ||
        !OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size()) ||
        !(name.empty() ? PushExplicitCurve(builder.get(), group, explicitCurve)
                       : OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, name.c_str(), 0)))
        return LibraryProblem("the public key cannot be described to OpenSSL");
    ParamPtr parameters(OSSL_PARAM_BLD_to_param(builder.get()));
    PkeyCtxPtr fromData(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* made = nullptr;
    if (!parameters || !fromData || EVP_PKEY_fromdata_init(fromData.get()) != 1 ||
        EVP_PKEY_fromdata(fromData.get(), &made, EVP_PKEY_PUBLIC_KEY, parameters.get()) != 1)
        return LibraryProblem("OpenSSL does not take the public key");
    PkeyPtr key(made);

    EncoderCtxPtr encoder(
        OSSL_ENCODER_CTX_new_for_pkey(key.get(), EVP_PKEY_PUBLIC_KEY, outputType, "SubjectPublicKeyInfo", nullptr));
    unsigned char* data = nullptr;
    std::size_t length = 0;
    if (!encoder || OSSL_ENCODER_CTX_get_num_encoders(encoder.get()) == 0 ||
        OSSL_ENCODER_to_data(encoder.get(), &data, &length) != 1)
        return LibraryProblem(std::string("the public key cannot be written as ") + outputType);
    OpenSslString owner(reinterpret_cast<char*>(data));
    return Bytes(data, data + length);
}

std::string CArrayText(const Bytes& raw, const std::string& fingerprint)
{
    const std::size_t half = raw.size() / 2;
    std::string text = "/* Public key: X then Y, " + std::to_string(half) + " bytes each, big-endian.\n   SHA-256: " +
                       fingerprint + " */\nstatic const unsigned char vantrel_public_key[" +
                       std::to_string(raw.size()) + "] = {\n";
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::size_t column = i % half;
        if (column == 0)
            text += i == 0 ? "    /* X */\n" : "\n    /* Y */\n";
        else if (column % 12 == 0)
            text += "\n";
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02x,", raw[i]);
        text += (column % 12 == 0 ? "    " : " ") + std::string(byte);
    }
    return text + "\n};\n";
}

Bytes TextBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

}  // namespace

Outcome<std::vector<std::uint8_t>> ExportPublicKey(const PublicKeyExportRequest& request)
{
    const std::string curvePath = CurveFilePath(request.toolDirectory);
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take({request.publicKeyPath, request.publicKeyPath},
                                                      KeyLockMode::Shared, nullptr);
    if (!lock)
        return Outcome<Bytes>::Fail(lock.message());
    Outcome<Bytes> raw = RawPublicKey(request.publicKeyPath, curvePath);
    if (!raw || request.format == PublicKeyFormat::Raw)
        return raw;
    if (request.format == PublicKeyFormat::Sha256 || request.format == PublicKeyFormat::CArray) {
        Outcome<std::string> fingerprint = RawKeyFingerprint(raw.value());
        if (!fingerprint)
            return Outcome<Bytes>::Fail(fingerprint.message());
        return TextBytes(request.format == PublicKeyFormat::Sha256 ? fingerprint.value() + "\n"
                                                                   : CArrayText(raw.value(), fingerprint.value()));
    }
    Outcome<Curve> curve = LoadCurveFile(curvePath);
    if (!curve)
        return Outcome<Bytes>::Fail(curve.message());
    return EncodePublicKeyInfo(curve.value(), raw.value(), request.format == PublicKeyFormat::Pem ? "PEM" : "DER");
}

}  // namespace vantrel
