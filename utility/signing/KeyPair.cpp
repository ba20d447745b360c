#include "signing/KeyPair.h"

#include <string>

#include "signing/BasePoint.h"
#include "signing/BigNumberText.h"
#include "signing/CurveFile.h"
#include "signing/KeyFileReplacement.h"
#include "signing/KeyFiles.h"
#include "core/Outcome.h"
#include "signing/PrivateKeyDraw.h"

namespace vantrel {

namespace {

Outcome<Done> LibraryProblem(const char* what)
{
    return Outcome<Done>::Fail(std::string("Problem - ") + what + ": " + OpenSslErrorText());
}

Outcome<Done> MakePair(const KeyPairRequest& request)
{
    const bool pelora = request.source == KeyPairSource::Pelora;
    Outcome<Curve> curve = LoadCurveFile(CurveFilePath(request.toolDirectory));
    if (!curve.ok())
        return Outcome<Done>::Fail(curve.message());
    BnCtxPtr context(BN_CTX_secure_new());
    if (!context)
        return LibraryProblem("out of memory");

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

    // Locked only now: a curve or library fault leaves the folder as it was.
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take(request.paths, KeyLockMode::Exclusive, request.progress);
    if (!lock)
        return Outcome<Done>::Fail(lock.message());
    if (Status kept = AllowKeyFileReplacement(request.paths, request.confirmReplace, request.progress, x.get(),
                                              y.get(), d.get());
        !kept)
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
