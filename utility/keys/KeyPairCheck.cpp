#include "keys/KeyPairCheck.h"

#include "keys/KeyCurve.h"
#include "signing/KeyFolderLock.h"

namespace vantrel {

Status CheckKeyPair(const KeyPairCheckRequest& request)
{
    Outcome<Curve> curve = LoadCurveFile(CurveFilePath(request.toolDirectory));
    if (!curve)
        return Status::Fail(curve.message());
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take(request.paths, KeyLockMode::Shared, request.progress);
    if (!lock)
        return Status::Fail(lock.message());
    Outcome<BignumPtr> d = ReadPrivateKey(request.paths.privateKey);
    if (!d)
        return Status::Fail(d.message());
    Outcome<PublicKeyNumbers> held = ReadPublicKey(request.paths.publicKey);
    if (!held)
        return Status::Fail(held.message());
    if (!IsPrivateKeyOf(curve.value(), d.value().get()))
        return Status::Fail("the private key in " + request.paths.privateKey +
                            " is not between 1 and the order of the curve");
    Outcome<PublicKeyNumbers> point = PublicPointOf(curve.value(), d.value().get());
    if (!point)
        return Status::Fail(point.message());
    if (BN_cmp(point.value().x.get(), held.value().x.get()) != 0 ||
        BN_cmp(point.value().y.get(), held.value().y.get()) != 0)
        return Status::Fail(request.paths.publicKey + " does not hold the public key of " +
                            request.paths.privateKey + ": they are not one key pair");
    return Done{};
}

}  // namespace vantrel
