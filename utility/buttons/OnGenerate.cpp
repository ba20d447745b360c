#include "buttons/Buttons.h"
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
    if (request.imagePath.empty()) {
        ui.showMessage("Please input the VNF file!");
        return Status::Fail("Please input the VNF file!");
    }
    request.toolDirectory = state.toolDirectory;
    request.keyPair = KeyPairChoice(ui);
    request.confirmReplaceKeys = [&ui](const std::string& question) { return ui.askYesNo(question); };
    const Status signedImage = SignImage(request);
    ui.showMessage(signedImage ? std::string("Digital Signature Signed!\n") : signedImage.message());
    return signedImage;
}

}  // namespace vantrel
