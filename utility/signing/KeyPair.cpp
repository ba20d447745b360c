#include "signing/KeyPair.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "signing/BasePoint.h"
#include "signing/BigNumberText.h"
#include "signing/CurveFile.h"
#include "signing/KeyFiles.h"
#include "core/Outcome.h"
#include "signing/PrivateKeyDraw.h"

namespace vantrel {

namespace {

namespace fs = std::filesystem;

Outcome<Done> LibraryProblem(const char* what)
{
    return Outcome<Done>::Fail(std::string("Problem - ") + what + ": " + OpenSslErrorText());
}

// True when both key files exist and hold exactly this pair; nothing to
// replace then.
bool HoldsPair(const KeyFilePaths& paths, const BIGNUM* x, const BIGNUM* y, const BIGNUM* d)
{
    Outcome<BignumPtr> heldD = ReadPrivateKey(paths.privateKey);
    Outcome<PublicKeyNumbers> held = ReadPublicKey(paths.publicKey);
    return heldD && held && BN_cmp(heldD.value().get(), d) == 0 && BN_cmp(held.value().x.get(), x) == 0 &&
           BN_cmp(held.value().y.get(), y) == 0;
}

// Existing key files of another pair are kept beside as dated copies, and
// only when the user allows it.
Status KeepOrRefuseExisting(const KeyPairRequest& request, const BIGNUM* x, const BIGNUM* y, const BIGNUM* d)
{
    std::vector<std::string> existing;
    std::error_code error;
    for (const std::string& path : {request.paths.privateKey, request.paths.publicKey})
        if (fs::exists(fs::symlink_status(path, error)))
            existing.push_back(path);
    if (existing.empty() || HoldsPair(request.paths, x, y, d))
        return Done{};
    std::string names;
    for (const std::string& path : existing)
        names += (names.empty() ? "" : " and ") + path;
    const std::string question =
        names + " hold another key pair. Replace it? (The old files are kept beside as dated copies.)";
    if (!request.confirmReplace || !request.confirmReplace(question))
        return Status::Fail(names + " hold another key pair and were not replaced. Losing a private key whose "
                                    "public key is in devices cannot be undone; name other key files, or allow "
                                    "the replacement (the old pair is then kept as a dated copy).\n");
    for (const std::string& path : existing) {
        Outcome<std::string> copy = KeepDatedCopy(path);
        if (!copy)
            return Status::Fail(copy.message());
        Report(request.progress, "kept " + path + " as " + copy.value());
    }
    return Done{};
}

Outcome<Done> MakePair(const KeyPairRequest& request)
{
    const bool pelora = request.source == KeyPairSource::Pelora;
    std::ifstream curveStream(CurveFilePath(request.toolDirectory));
    Outcome<Curve> curve = LoadCurve(curveStream);
    if (!curve.ok())
        return Outcome<Done>::Fail(curve.message());
    BnCtxPtr context(BN_CTX_secure_new());
    if (!context)
        return LibraryProblem("out of memory");
    Outcome<Done> basePoint = SetUpBasePoint(curve.value(), context.get());
    if (!basePoint.ok())
        return basePoint;

    const BIGNUM* q = curve.value().parameters.q.get();
    BignumPtr d = pelora ? PeloraPrivateKey(q, context.get()) : RandomPrivateKey(q, context.get());
    if (!d)
        return LibraryProblem("the private key cannot be drawn");
    BN_set_flags(d.get(), BN_FLG_CONSTTIME);

    const EC_GROUP* group = curve.value().group.get();
    EcPointPtr publicPoint(EC_POINT_new(group));
    BignumPtr x(BN_new()), y(BN_new());
    if (!publicPoint || !x || !y || !EC_POINT_mul(group, publicPoint.get(), d.get(), nullptr, nullptr, context.get()) ||
        !EC_POINT_get_affine_coordinates(group, publicPoint.get(), x.get(), y.get(), context.get()))
        return LibraryProblem("the public key cannot be computed");

    if (Status kept = KeepOrRefuseExisting(request, x.get(), y.get(), d.get()); !kept)
        return kept;
    Outcome<Done> written = WriteKeyFiles(request.paths, x.get(), y.get(), d.get());
    if (written.ok())
        Report(request.progress, "public key = " + BigNumberHex(x.get()) + " " + BigNumberHex(y.get()));
    return written;
}

}  // namespace

Status MakeKeyPair(const KeyPairRequest& request)
{
    if (request.source == KeyPairSource::Default)
        return Done{};
    return MakePair(request);
}

}  // namespace vantrel
