#include "signing/KeyPair.h"

#include <fstream>
#include <iostream>

#include "signing/BasePoint.h"
#include "signing/BigNumberText.h"
#include "signing/CurveFile.h"
#include "signing/KeyFiles.h"
#include "core/Outcome.h"
#include "signing/PrivateKeyDraw.h"

namespace vantrel {

namespace {

Outcome<Done> LibraryProblem(const char* what)
{
    return Outcome<Done>::Fail(std::string("Problem - ") + what + ": " + OpenSslErrorText());
}

Outcome<Done> MakeKeyPair(const std::string& toolDirectory, bool pelora)
{
    std::ifstream curveStream(CurveFilePath(toolDirectory));
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

    Outcome<Done> written = WriteKeyFiles(x.get(), y.get(), d.get());
    if (written.ok())
        std::cout << "public key = " << BigNumberHex(x.get()) << " " << BigNumberHex(y.get()) << std::endl;
    return written;
}

}  // namespace

int GenerateKeyPair(DialogState& state, UserInterface& ui)
{
    const int choice = ui.comboSelection(Combo::KeyPair);
    if (choice == KeyPairIndex::Default)
        return 0;
    Outcome<Done> made = MakeKeyPair(state.toolDirectory, choice == KeyPairIndex::Pelora);
    if (!made.ok()) {
        ui.showMessage(made.message());
        return -1;
    }
    return 0;
}

}  // namespace vantrel
