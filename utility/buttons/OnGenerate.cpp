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
    request.confirmReplaceKeys = [&ui](const std::string& question) { return ui.askYesNo(question); };
    return Report(ui, SignImage(request), "Digital Signature Signed!\n");
}

}  // namespace vantrel
