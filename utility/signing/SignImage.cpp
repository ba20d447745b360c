#include "signing/SignImage.h"

#include <filesystem>
#include <fstream>
#include <iterator>

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

// The section tool cuts a replacement that does not fit the section short
// with only a warning, so the signature is read back and compared: a
// digital_signature section under 48 bytes must fail the signing, not leave
// half a signature in an image reported as signed.
Outcome<Done> CheckSignatureInImage(const std::string& toolDirectory, const std::string& image,
                                    const EcdsaSignature& signature)
{
    Outcome<Done> step = RunSectionTool(toolDirectory, SignatureReadBackStep(image));
    if (!step.ok())
        return step;
    std::ifstream readBack("tmp.bin", std::ios::binary);
    const std::string section((std::istreambuf_iterator<char>(readBack)), std::istreambuf_iterator<char>());
    readBack.close();
    std::error_code ignored;
    std::filesystem::remove("tmp.bin", ignored);

    const std::string text = SignatureText(signature.r.get(), signature.s.get());
    std::string expected;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        expected += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    if (section.size() < expected.size())
        return Outcome<Done>::Fail("Error: the digital_signature section of " + image + " holds " +
                                   std::to_string(section.size()) + " bytes, but the signature needs " +
                                   std::to_string(expected.size()) + ".\n");
    if (section.compare(0, expected.size(), expected) != 0)
        return Outcome<Done>::Fail("Error: the signature read back from section digital_signature of " + image +
                                   " differs from the one written.\n");
    return Done{};
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
    if (step.ok())
        step = CheckSignatureInImage(toolDirectory, image, signature.value());
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
