#include "signing/SignImage.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include <openssl/evp.h>

#include "core/Files.h"
#include "core/Sha1.h"
#include "runner/ToolSession.h"
#include "signing/BasePoint.h"
#include "signing/CurveFile.h"
#include "signing/EcdsaSign.h"
#include "signing/KeyFiles.h"

namespace vantrel {

namespace fs = std::filesystem;

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
    std::ifstream curveStream(CurveFilePath(toolDirectory));
    Outcome<Curve> curve = LoadCurve(curveStream);
    if (!curve.ok())
        return Fail(curve.message());
    SigningKey key{std::move(curve.value()), std::move(d.value()), BnCtxPtr(BN_CTX_secure_new())};
    if (!key.context)
        return Fail("Problem - out of memory: " + OpenSslErrorText());
    Outcome<Done> basePoint = SetUpBasePoint(key.curve, key.context.get());
    if (!basePoint.ok())
        return Fail(basePoint.message());

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

// The new contents of digital_signature: r and s, 24 bytes each, least
// significant first, and zeros up to the section's size (as the section tool
// has always left a section that its text did not fill).
Outcome<Bytes> SignatureSection(const EcdsaSignature& signature, std::size_t sectionSize, const std::string& image)
{
    Bytes bytes(2 * SignatureValueBytes);
    if (BN_bn2lebinpad(signature.r.get(), bytes.data(), SignatureValueBytes) != SignatureValueBytes ||
        BN_bn2lebinpad(signature.s.get(), bytes.data() + SignatureValueBytes, SignatureValueBytes) !=
            SignatureValueBytes)
        return Outcome<Bytes>::Fail("Problem - the signature does not fit the 24 bytes each of r and s");
    if (sectionSize < bytes.size())
        return Outcome<Bytes>::Fail("Error: the digital_signature section of " + image + " holds " +
                                    std::to_string(sectionSize) + " bytes, but the signature needs " +
                                    std::to_string(bytes.size()) + ".\n");
    bytes.resize(sectionSize, 0);
    return bytes;
}

// Refuses to sign a file that is one of the key files: writing the keys
// would destroy it.
Status CheckNotAKeyFile(const std::string& image, const KeyFilePaths& keys)
{
    for (const std::string& name : {keys.publicKey, keys.privateKey, std::string(SignatureRecordFileName)}) {
        std::error_code error;
        if (fs::exists(name, error) && fs::equivalent(image, name, error))
            return Status::Fail("The image " + image + " is the key file " + name +
                                "; signing would overwrite it. Rename the image.\n");
    }
    return Done{};
}

// The steps that change the working copy: the exchange, the signature.
// Returns signature.ecs, ready to be put in place with the image.
Outcome<PendingFile> ExchangeAndSign(ToolSession& tools, const fs::path& working, const std::string& image, SigningKey& key)
{
    Outcome<Bytes> code = tools.GetSection(working, "msg_code");
    if (!code)
        return Outcome<PendingFile>::Fail(code.message());
    Outcome<Bytes> data = tools.GetSection(working, "msg_data");
    if (!data)
        return Outcome<PendingFile>::Fail(data.message());
    if (code.value().size() != data.value().size())
        return Outcome<PendingFile>::Fail("Error: msg_code (" + std::to_string(code.value().size()) + " bytes) and msg_data (" +
                            std::to_string(data.value().size()) + " bytes) of " + image +
                            " differ in size, so their contents cannot be exchanged. Nothing was changed.\n");
    if (Status step = tools.ReplaceSection(working, "msg_code", data.value(), data.value().size()); !step)
        return Outcome<PendingFile>::Fail(step.message());
    if (Status step = tools.ReplaceSection(working, "msg_data", code.value(), code.value().size()); !step)
        return Outcome<PendingFile>::Fail(step.message());

    Outcome<EcdsaSignature> signature = SignMessage(key, code.value());
    if (!signature)
        return Outcome<PendingFile>::Fail(signature.message());
    Outcome<Bytes> section = tools.GetSection(working, "digital_signature");
    if (!section)
        return Outcome<PendingFile>::Fail(section.message());
    Outcome<Bytes> signatureBytes = SignatureSection(signature.value(), section.value().size(), image);
    if (!signatureBytes)
        return Outcome<PendingFile>::Fail(signatureBytes.message());
    if (Status step = tools.ReplaceSection(working, "digital_signature", signatureBytes.value(),
                                           section.value().size());
        !step)
        return Outcome<PendingFile>::Fail(step.message());
    // Read back, so that what the image holds is known, not assumed.
    Outcome<Bytes> readBack = tools.GetSection(working, "digital_signature");
    if (!readBack)
        return Outcome<PendingFile>::Fail(readBack.message());
    if (readBack.value() != signatureBytes.value())
        return Outcome<PendingFile>::Fail("Error: the signature read back from section digital_signature of " + image +
                            " differs from the one written.\n");
    return PrepareSignatureRecord(signature.value().r.get(), signature.value().s.get());
}

}  // namespace

Status SignImage(const SignRequest& request)
{
    const std::string& image = request.imagePath;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(image, error)))
        return Status::Fail("Problem - cannot read the image " + image + ": No such file or directory");
    if (Status replaceable = CheckReplaceableFile(image); !replaceable)
        return replaceable;
    if (Status notKey = CheckNotAKeyFile(image, request.keys); !notKey)
        return notKey;
    const KeyPairRequest pair{request.toolDirectory, request.keyPair, request.keys, request.confirmReplaceKeys,
                              request.progress};
    if (Status made = MakeKeyPair(pair); !made)
        return made;
    // Key and curve first, so that their faults leave the image untouched.
    Outcome<SigningKey> key = LoadSigningKey(request.toolDirectory, request.keys.privateKey);
    if (!key)
        return Status::Fail(key.message());

    const fs::path imagePath(image);
    Outcome<ToolSession> session =
        ToolSession::Open(request.toolDirectory, imagePath.has_parent_path() ? imagePath.parent_path() : ".");
    if (!session)
        return Status::Fail(session.message());
    Outcome<fs::path> working = session.value().CopyIn(imagePath, image);
    if (!working)
        return Status::Fail(working.message());
    Report(request.progress, "signing " + image);
    Outcome<PendingFile> record = ExchangeAndSign(session.value(), working.value(), image, key.value());
    if (!record)
        return Status::Fail(record.message());
    if (Status committed = session.value().CommitOver(working.value(), imagePath); !committed)
        return committed;
    return record.value().Commit();
}

}  // namespace vantrel
