#include "signing/SignImage.h"

#include <filesystem>
#include <fstream>

#include <openssl/evp.h>

#include "signing/BasePoint.h"
#include "signing/CurveFile.h"
#include "signing/EcdsaSign.h"
#include "signing/ImageBackup.h"
#include "signing/KeyFiles.h"
#include "signing/MessageHash.h"
#include "signing/MessageSwap.h"
#include "signing/SectionToolSteps.h"
#include "signing/SignatureFiles.h"
#include "signing/SignatureText.h"

namespace vantrel {

namespace {

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

Outcome<SigningKey> LoadSigningKey(const std::string& toolDirectory)
{
    Outcome<BignumPtr> d = ReadPrivateKey();
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
        return Fail("Problem - the private key in private.ecs is not between 1 and q-1 of ecc_koblitz.ecs");
    BN_set_flags(key.d.get(), BN_FLG_CONSTTIME);
    return key;
}

// ECDSA with SHA-1 over the message the exchange left in signature.bin.
Outcome<EcdsaSignature> SignMessageFile(SigningKey& key)
{
    std::ifstream message("signature.bin", std::ios::binary);
    if (!message)
        return Outcome<EcdsaSignature>::Fail("signature.bf doesn't exist!");
    const std::optional<Sha1Digest> digest = HashMessageFile(message);
    if (!digest)
        return Outcome<EcdsaSignature>::Fail("Unable to open file");
    BignumPtr h(BN_bin2bn(digest->data(), static_cast<int>(digest->size()), nullptr));
    if (!h)
        return Outcome<EcdsaSignature>::Fail("Problem - out of memory: " + OpenSslErrorText());
    return SignDigest(key.curve.group.get(), key.d.get(), h.get(), digest->data(), digest->size(), EVP_sha1(),
                      key.context.get());
}

// Everything that changes the image: the exchange, the signing of the
// exchanged-out message and the write of the signature.
Outcome<Done> ExchangeAndSign(const std::string& toolDirectory, const std::string& image, SigningKey& key)
{
    Outcome<Done> step = ExchangeMessageSections(toolDirectory, image);
    if (!step.ok())
        return step;
    Outcome<EcdsaSignature> signature = SignMessageFile(key);
    if (!signature.ok())
        return Outcome<Done>::Fail(signature.message());
    step = WriteSignatureFiles(signature.value().r.get(), signature.value().s.get());
    if (step.ok())
        step = RunSectionTool(toolDirectory, SignatureStep(image));
    if (!step.ok())
        return step;
    for (const char* name : {"tmp.bf", "signature.bf", "signature.bin"}) {
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
    }
    return Done{};
}

}  // namespace

int SignImage(DialogState& state, UserInterface& ui)
{
    const std::string image = ui.imagePath();
    if (image.empty()) {
        ui.showMessage("Please input the VNF file.\n");
        return -1;
    }
    // Key and curve first, so that their faults leave the image untouched.
    Outcome<SigningKey> key = LoadSigningKey(state.toolDirectory);
    if (!key.ok()) {
        ui.showMessage(key.message());
        return -1;
    }
    Outcome<Done> signedImage = ChangeImageOrRestore(
        image, [&] { return ExchangeAndSign(state.toolDirectory, image, key.value()); });
    if (signedImage.ok())
        return 0;
    ui.showMessage(signedImage.message());
    return -1;
}

}  // namespace vantrel
