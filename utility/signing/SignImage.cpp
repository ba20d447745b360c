#include "signing/SignImage.h"

#include <vector>

#include <openssl/evp.h>

#include "core/Files.h"
#include "core/Sha1.h"
#include "signing/BasePoint.h"
#include "signing/CurveFile.h"
#include "signing/EcdsaSign.h"
#include "signing/KeyFiles.h"
#include "signing/KeyFolderLock.h"
#include "signing/PeloraKey.h"
#include "signing/SigningSteps.h"
#include "signing/SignatureCheck.h"

namespace vantrel {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The private key and the curve it belongs to, checked for signing, and the
// public key of the pair.
struct SigningKey {
    Curve curve;
    BignumPtr d;
    BnCtxPtr context;
    SigningKeyUsed used;
};

Outcome<SigningKey> Fail(std::string message)
{
    return Outcome<SigningKey>::Fail(std::move(message));
}

// The public key file must hold d*G: a pair of two different keys signs
// images that verify never accepts.
Status CheckOnePair(SigningKey& key, const KeyFilePaths& paths)
{
    Outcome<PublicKeyNumbers> held = ReadPublicKey(paths.publicKey);
    if (!held)
        return Status::Fail("Problem - " + held.message() + "; signing needs the public key of " +
                            paths.privateKey + " there. Nothing was signed.");
    const EC_GROUP* group = key.curve.group.get();
    EcPointPtr point(EC_POINT_new(group));
    BignumPtr x(BN_new()), y(BN_new());
    if (!point || !x || !y ||
        !EC_POINT_mul(group, point.get(), key.d.get(), nullptr, nullptr, key.context.get()) ||
        !EC_POINT_get_affine_coordinates(group, point.get(), x.get(), y.get(), key.context.get()))
        return Status::Fail("Problem - the public key cannot be computed: " + OpenSslErrorText());
    if (BN_cmp(x.get(), held.value().x.get()) != 0 || BN_cmp(y.get(), held.value().y.get()) != 0)
        return Status::Fail("Problem - " + paths.publicKey + " does not hold the public key of " + paths.privateKey +
                            ": they are not one key pair, and verify would refuse what they sign. Nothing was "
                            "signed.");
    const int fieldBytes = (key.curve.parameters.m + 7) / 8;
    key.used.rawPublicKey.resize(2 * static_cast<std::size_t>(fieldBytes));
    if (BN_bn2binpad(x.get(), key.used.rawPublicKey.data(), fieldBytes) != fieldBytes ||
        BN_bn2binpad(y.get(), key.used.rawPublicKey.data() + fieldBytes, fieldBytes) != fieldBytes)
        return Status::Fail("Problem - the public key does not fit the curve's field");
    return Done{};
}

Outcome<SigningKey> LoadSigningKey(const std::string& toolDirectory, const KeyFilePaths& paths)
{
    Outcome<BignumPtr> d = ReadPrivateKey(paths.privateKey);
    if (!d.ok())
        return Fail(d.message());
    Outcome<Curve> curve = LoadCurveFile(CurveFilePath(toolDirectory));
    if (!curve.ok())
        return Fail(curve.message());
    SigningKey key{std::move(curve.value()), std::move(d.value()), BnCtxPtr(BN_CTX_secure_new()), {}};
    if (!key.context)
        return Fail("Problem - out of memory: " + OpenSslErrorText());

    const BIGNUM* q = key.curve.parameters.q.get();
    if (BN_is_zero(key.d.get()) || BN_cmp(key.d.get(), q) >= 0)
        return Fail("Problem - the private key in " + paths.privateKey + " is not between 1 and q-1 of ecc_koblitz.ecs");
    BN_set_flags(key.d.get(), BN_FLG_CONSTTIME);
    if (Status pair = CheckOnePair(key, paths); !pair)
        return Fail(pair.message());
    key.used.pelora = IsPeloraPrivateKey(key.curve, key.d.get());
    return key;
}

// ECDSA with SHA-1 over the message (its digest).
Outcome<EcdsaSignature> SignMessage(SigningKey& key, const Sha1Digest& digest)
{
    BignumPtr h(BN_bin2bn(digest.data(), static_cast<int>(digest.size()), nullptr));
    if (!h)
        return Outcome<EcdsaSignature>::Fail("Problem - out of memory: " + OpenSslErrorText());
    return SignDigest(key.curve.group.get(), key.d.get(), h.get(), digest.data(), digest.size(), EVP_sha1(),
                      key.context.get());
}

// The signature checked as verify checks it, with the public key file verify
// reads, before anything is committed.
Status BackVerify(const SignRequest& request, const EcdsaSignature& signature, const Sha1Digest& messageDigest)
{
    Outcome<Bytes> record = SignatureRecordBytes(signature);
    if (!record)
        return Status::Fail(record.message());
    std::string detail;
    if (!CheckSignature({CurveFilePath(request.toolDirectory), request.keys.publicKey, record.value(), messageDigest},
                        detail))
        return Status::Fail("Problem - the new signature does not verify with " + request.keys.publicKey + " (" +
                            detail + "). Nothing was signed.");
    return Done{};
}

constexpr const char* PeloraRefusedMessage =
    "Nothing was signed: the Pelora key pair is public and for demonstrations only.\n";

bool PeloraAllowed(const SignRequest& request)
{
    return !request.confirmPelora ||
           request.confirmPelora("Sign with the Pelora key pair? It is public (anyone can compute it from the curve "
                                 "file) and for demonstrations only: an image signed with it is not protected.");
}

}  // namespace

Outcome<SigningKeyUsed> SignImage(const SignRequest& request)
{
    using Result = Outcome<SigningKeyUsed>;
    const std::string& image = request.imagePath;
    const std::vector<NamedFile> keyFiles{{request.keys.publicKey, "key file"},
                                          {request.keys.privateKey, "key file"},
                                          {SignatureRecordFileName, "key file"}};
    if (Status files = CheckSigningFiles(image, image, keyFiles); !files)
        return Result::Fail(files.message());
    if (request.keyPair == KeyPairSource::Pelora && !PeloraAllowed(request))
        return Result::Fail(PeloraRefusedMessage);
    // A new pair is made under the exclusive lock; the signing then shares
    // it and checks that the files it reads are one pair.
    const KeyPairRequest pair{request.toolDirectory, request.keyPair, request.keys, request.confirmReplaceKeys,
                              request.progress};
    if (Status made = MakeKeyPair(pair); !made)
        return Result::Fail(made.message());
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take(request.keys, KeyLockMode::Shared, request.progress);
    if (!lock)
        return Result::Fail(lock.message());
    // Key and curve first, so that their faults leave the image untouched.
    Outcome<SigningKey> key = LoadSigningKey(request.toolDirectory, request.keys);
    if (!key)
        return Result::Fail(key.message());
    // Asked once: before the pair is made when it is chosen, or when the
    // key files turn out to hold it.
    if (key.value().used.pelora && request.keyPair != KeyPairSource::Pelora && !PeloraAllowed(request))
        return Result::Fail(PeloraRefusedMessage);

    Outcome<WorkingCopy> copy = OpenWorkingCopy(request.toolDirectory, image, image);
    if (!copy)
        return Result::Fail(copy.message());
    Report(request.progress, "signing " + image);
    Outcome<SigningMessage> message = MessageToSign(copy.value(), request.confirmResign);
    if (!message)
        return Result::Fail(message.message());
    Outcome<EcdsaSignature> signature = SignMessage(key.value(), message.value().digest);
    if (!signature)
        return Result::Fail(signature.message());
    if (Status verified = BackVerify(request, signature.value(), message.value().digest); !verified)
        return Result::Fail(verified.message());
    if (Status finished = FinishSigning(copy.value(), signature.value()); !finished)
        return Result::Fail(finished.message());
    return key.value().used;
}

}  // namespace vantrel
