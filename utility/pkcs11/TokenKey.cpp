#include "pkcs11/TokenKey.h"

#include <algorithm>
#include <span>

#include <openssl/bn.h>

#include "pkcs11/TokenModule.h"

namespace vantrel {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Bytes of a coordinate, and of r and s, on the 163-bit curve.
constexpr std::size_t CoordinateBytes = 21;

Outcome<Bytes> ReadAttribute(const TokenSession& session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                             const char* name)
{
    CK_ATTRIBUTE attribute{type, nullptr, 0};
    CK_RV rv = session.functions()->C_GetAttributeValue(session.handle(), object, &attribute, 1);
    if (rv == CKR_OK && attribute.ulValueLen != CK_UNAVAILABLE_INFORMATION) {
        Bytes value(attribute.ulValueLen);
        attribute.pValue = value.data();
        rv = session.functions()->C_GetAttributeValue(session.handle(), object, &attribute, 1);
        if (rv == CKR_OK)
            return value;
    }
    return Outcome<Bytes>::Fail(std::string("cannot read ") + name + " of the key in the token " +
                                session.tokenName() + " (" + TokenReturnName(rv) + ")\n");
}

BignumPtr BigEndianNumber(std::span<const std::uint8_t> bytes)
{
    return BignumPtr(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr));
}

}  // namespace

Outcome<CK_OBJECT_HANDLE> FindTokenObject(const TokenSession& session, const TokenUri& uri, CK_OBJECT_CLASS type)
{
    using Result = Outcome<CK_OBJECT_HANDLE>;
    std::vector<CK_ATTRIBUTE> search = uri.objectAttributes();
    search.push_back({CKA_CLASS, &type, sizeof type});
    CK_FUNCTION_LIST* functions = session.functions();
    const char* what = type == CKO_PRIVATE_KEY ? "private key" : "public key";
    if (const CK_RV rv = functions->C_FindObjectsInit(session.handle(), search.data(), search.size()); rv != CKR_OK)
        return Result::Fail("cannot search the token " + session.tokenName() + " (" + TokenReturnName(rv) + ")\n");
    CK_OBJECT_HANDLE found[2];
    CK_ULONG count = 0;
    const CK_RV rv = functions->C_FindObjects(session.handle(), found, 2, &count);
    functions->C_FindObjectsFinal(session.handle());
    if (rv != CKR_OK)
        return Result::Fail("cannot search the token " + session.tokenName() + " (" + TokenReturnName(rv) + ")\n");
    if (count == 0)
        return Result::Fail(std::string("no ") + what + " in the token " + session.tokenName() + " matches " +
                            uri.text() + ". Nothing was changed.\n");
    if (count > 1)
        return Result::Fail(std::string("more than one ") + what + " in the token " + session.tokenName() +
                            " matches " + uri.text() + "; name one with object= or id=. Nothing was changed.\n");
    return found[0];
}

Outcome<CK_ULONG> CountTokenObjects(const TokenSession& session, const TokenUri& uri)
{
    using Result = Outcome<CK_ULONG>;
    std::vector<CK_ATTRIBUTE> search = uri.objectAttributes();
    CK_FUNCTION_LIST* functions = session.functions();
    if (const CK_RV rv = functions->C_FindObjectsInit(session.handle(), search.data(), search.size()); rv != CKR_OK)
        return Result::Fail("cannot search the token " + session.tokenName() + " (" + TokenReturnName(rv) + ")\n");
    CK_OBJECT_HANDLE found[8];
    CK_ULONG total = 0;
    CK_RV rv = CKR_OK;
    for (CK_ULONG count = 1; rv == CKR_OK && count > 0; total += count)
        rv = functions->C_FindObjects(session.handle(), found, std::size(found), &count);
    functions->C_FindObjectsFinal(session.handle());
    if (rv != CKR_OK)
        return Result::Fail("cannot search the token " + session.tokenName() + " (" + TokenReturnName(rv) + ")\n");
    return total;
}

Outcome<PublicKeyNumbers> ReadTokenPublicKey(const TokenSession& session, CK_OBJECT_HANDLE publicKey)
{
    using Result = Outcome<PublicKeyNumbers>;
    Outcome<Bytes> parameters = ReadAttribute(session, publicKey, CKA_EC_PARAMS, "the curve (CKA_EC_PARAMS)");
    if (!parameters)
        return Result::Fail(parameters.message());
    if (!std::ranges::equal(parameters.value(), TokenCurveParameters))
        return Result::Fail("the key in the token " + session.tokenName() +
                            " is on another curve; signing needs a key on sect163k1. Nothing was changed.\n");
    Outcome<Bytes> point = ReadAttribute(session, publicKey, CKA_EC_POINT, "the public point (CKA_EC_POINT)");
    if (!point)
        return Result::Fail(point.message());
    // The point is 04 || X || Y, most tokens wrapped in a DER OCTET STRING.
    std::span<const std::uint8_t> bytes = point.value();
    constexpr std::size_t uncompressed = 1 + 2 * CoordinateBytes;
    if (bytes.size() == uncompressed + 2 && bytes[0] == 0x04 && bytes[1] == uncompressed)
        bytes = bytes.subspan(2);
    if (bytes.size() != uncompressed || bytes[0] != 0x04)
        return Result::Fail("the public point of the key in the token " + session.tokenName() +
                            " is not an uncompressed point on sect163k1\n");
    PublicKeyNumbers numbers{BigEndianNumber(bytes.subspan(1, CoordinateBytes)),
                             BigEndianNumber(bytes.subspan(1 + CoordinateBytes))};
    if (!numbers.x || !numbers.y)
        return Result::Fail("Problem - no memory for the public key of the token " + session.tokenName() + "\n");
    return numbers;
}

Outcome<EcdsaSignature> SignWithTokenKey(const TokenSession& session, CK_OBJECT_HANDLE privateKey,
                                         const Sha1Digest& digest)
{
    using Result = Outcome<EcdsaSignature>;
    CK_MECHANISM mechanism{CKM_ECDSA, nullptr, 0};
    CK_FUNCTION_LIST* functions = session.functions();
    CK_RV rv = functions->C_SignInit(session.handle(), &mechanism, privateKey);
    Bytes signature(2 * CoordinateBytes);
    CK_ULONG length = signature.size();
    if (rv == CKR_OK) {
        Bytes input(digest.begin(), digest.end());
        rv = functions->C_Sign(session.handle(), input.data(), input.size(), signature.data(), &length);
    }
    if (rv != CKR_OK)
        return Result::Fail("the token " + session.tokenName() + " did not sign (" + TokenReturnName(rv) +
                            "). Nothing was changed.\n");
    if (length != signature.size())
        return Result::Fail("the token " + session.tokenName() + " returned a signature of " +
                            std::to_string(length) + " bytes, not r || s on sect163k1. Nothing was changed.\n");
    const std::span<const std::uint8_t> bytes(signature);
    EcdsaSignature result{BigEndianNumber(bytes.first(CoordinateBytes)), BigEndianNumber(bytes.subspan(CoordinateBytes))};
    if (!result.r || !result.s)
        return Result::Fail("Problem - no memory for the token's signature\n");
    return result;
}

Outcome<TokenKeyPair> GenerateTokenKeyPair(const TokenSession& session, const TokenUri& uri,
                                           std::span<const std::uint8_t> id)
{
    using Result = Outcome<TokenKeyPair>;
    CK_BBOOL yes = CK_TRUE;
    CK_BBOOL no = CK_FALSE;
    Bytes curve(std::begin(TokenCurveParameters), std::end(TokenCurveParameters));
    Bytes idBytes(id.begin(), id.end());
    // Signing and verifying only: a key that may also decrypt, unwrap or
    // derive can be turned against what it protects.
    std::vector<CK_ATTRIBUTE> publicTemplate{{CKA_EC_PARAMS, curve.data(), curve.size()},
                                             {CKA_TOKEN, &yes, sizeof yes},
                                             {CKA_VERIFY, &yes, sizeof yes},
                                             {CKA_ENCRYPT, &no, sizeof no},
                                             {CKA_WRAP, &no, sizeof no},
                                             {CKA_DERIVE, &no, sizeof no},
                                             {CKA_ID, idBytes.data(), idBytes.size()}};
    std::vector<CK_ATTRIBUTE> privateTemplate{{CKA_TOKEN, &yes, sizeof yes},
                                              {CKA_PRIVATE, &yes, sizeof yes},
                                              {CKA_SENSITIVE, &yes, sizeof yes},
                                              {CKA_EXTRACTABLE, &no, sizeof no},
                                              {CKA_SIGN, &yes, sizeof yes},
                                              {CKA_DECRYPT, &no, sizeof no},
                                              {CKA_UNWRAP, &no, sizeof no},
                                              {CKA_DERIVE, &no, sizeof no},
                                              {CKA_ID, idBytes.data(), idBytes.size()}};
    for (const CK_ATTRIBUTE& attribute : uri.objectAttributes()) {
        if (attribute.type == CKA_ID)
            continue;  // given as id
        publicTemplate.push_back(attribute);
        privateTemplate.push_back(attribute);
    }
    CK_MECHANISM mechanism{CKM_EC_KEY_PAIR_GEN, nullptr, 0};
    TokenKeyPair pair;
    const CK_RV rv = session.functions()->C_GenerateKeyPair(session.handle(), &mechanism, publicTemplate.data(),
                                                            publicTemplate.size(), privateTemplate.data(),
                                                            privateTemplate.size(), &pair.publicKey, &pair.privateKey);
    if (rv != CKR_OK)
        return Result::Fail("the token " + session.tokenName() + " did not make a key pair on sect163k1 (" +
                            TokenReturnName(rv) + ")\n");
    return pair;
}

}  // namespace vantrel
