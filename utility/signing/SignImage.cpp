#include "signing/SignImage.h"

#include <vector>

#include <openssl/evp.h>

#include "core/Files.h"
#include "core/Sha1.h"
#include "signing/BasePoint.h"
#include "signing/CurveFile.h"
#include "signing/EcdsaSign.h"
#include "signing/KeyFiles.h"
#include "signing/SigningSteps.h"

namespace vantrel {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The private key and the curve it belongs to, checked for signing.
struct SigningKey {
    Curve curve;
    BignumPtr d;
    BnCtxPtr context;
};

Outcome<SigningKey> Fail(std::string message)
{
    return Outcome<SigningKey>::Fail(std::move(message));
}

Outcome<SigningKey> LoadSigningKey(const std::string& toolDirectory, const std::string& privateKeyPath)
{
    Outcome<BignumPtr> d = ReadPrivateKey(privateKeyPath);
    if (!d.ok())
        return Fail(d.message());
    Outcome<Curve> curve = LoadCurveFile(CurveFilePath(toolDirectory));
    if (!curve.ok())
        return Fail(curve.message());
    SigningKey key{std::move(curve.value()), std::move(d.value()), BnCtxPtr(BN_CTX_secure_new())};
    if (!key.context)
        return Fail("Problem - out of memory: " + OpenSslErrorText());

    const BIGNUM* q = key.curve.parameters.q.get();
    if (BN_num_bits(q) > 8 * SignatureValueBytes)
        return Fail("Problem - the order q in ecc_koblitz.ecs has more than 192 bits, but digital_signature "
                    "holds r and s in 24 bytes each");
    if (BN_is_zero(key.d.get()) || BN_cmp(key.d.get(), q) >= 0)
        return Fail("Problem - the private key in " + privateKeyPath + " is not between 1 and q-1 of ecc_koblitz.ecs");
    BN_set_flags(key.d.get(), BN_FLG_CONSTTIME);
    return key;
}

// ECDSA with SHA-1 over the message bytes.
Outcome<EcdsaSignature> SignMessage(SigningKey& key, const Bytes& message)
{
    Sha1Digest digest{};
    if (Status hashed = Sha1(message, digest); !hashed)
        return Outcome<EcdsaSignature>::Fail(hashed.message());
    BignumPtr h(BN_bin2bn(digest.data(), static_cast<int>(digest.size()), nullptr));
    if (!h)
        return Outcome<EcdsaSignature>::Fail("Problem - out of memory: " + OpenSslErrorText());
    return SignDigest(key.curve.group.get(), key.d.get(), h.get(), digest.data(), digest.size(), EVP_sha1(),
                      key.context.get());
}

}  // namespace

Status SignImage(const SignRequest& request)
{
    const std::string& image = request.imagePath;
    const std::vector<NamedFile> keyFiles{{request.keys.publicKey, "key file"},
                                          {request.keys.privateKey, "key file"},
                                          {SignatureRecordFileName, "key file"}};
    if (Status files = CheckSigningFiles(image, image, keyFiles); !files)
        return files;
    const KeyPairRequest pair{request.toolDirectory, request.keyPair, request.keys, request.confirmReplaceKeys,
                              request.progress};
    if (Status made = MakeKeyPair(pair); !made)
        return made;
    // Key and curve first, so that their faults leave the image untouched.
    Outcome<SigningKey> key = LoadSigningKey(request.toolDirectory, request.keys.privateKey);
    if (!key)
        return Status::Fail(key.message());

    Outcome<WorkingCopy> copy = OpenWorkingCopy(request.toolDirectory, image, image);
    if (!copy)
        return Status::Fail(copy.message());
    Report(request.progress, "signing " + image);
    Outcome<Bytes> message = ExchangeMessages(copy.value());
    if (!message)
        return Status::Fail(message.message());
    Outcome<EcdsaSignature> signature = SignMessage(key.value(), message.value());
    if (!signature)
        return Status::Fail(signature.message());
    return FinishSigning(copy.value(), signature.value());
}

}  // namespace vantrel
