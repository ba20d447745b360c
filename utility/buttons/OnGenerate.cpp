#include "buttons/ButtonReport.h"
#include "buttons/Buttons.h"
#include "encryption/SaveMessages.h"
#include "signing/SignImage.h"

namespace vantrel {

namespace {

KeyPairSource KeyPairChoice(const UserInterface& ui)
{
    switch (ui.comboSelection(Combo::KeyPair)) {
    case KeyPairIndex::Pelora:
        return KeyPairSource::Pelora;
    case KeyPairIndex::Generate:
        return KeyPairSource::Generate;
    default:
        return KeyPairSource::Default;
    }
}

}  // namespace

Status OnGenerate(DialogState& state, UserInterface& ui)
{
    SignRequest request;
    request.imagePath = ui.imagePath();
    if (request.imagePath.empty())
        return Refuse(ui, SaveNoInputMessage);
    request.toolDirectory = state.toolDirectory;
    request.keyPair = KeyPairChoice(ui);
    const auto ask = [&ui](const std::string& question) { return ui.askYesNo(question); };
    request.confirmReplaceKeys = ask;
    request.confirmPelora = ask;
    request.confirmResign = ask;
    const Outcome<SigningKeyUsed> signedImage = SignImage(request);
    return Report(ui, signedImage ? Status(Done{}) : Status::Fail(signedImage.message()),
                  "Digital Signature Signed!\n");
}

}  // namespace vantrel
