#include "signing/Generate.h"

#include "signing/KeyPair.h"
#include "signing/SignImage.h"

namespace vantrel {

int OnGenerate(DialogState& state, UserInterface& ui)
{
    if (ui.imagePath().empty()) {
        ui.showMessage("Please input the VNF file!");
        return -1;
    }
    if (GenerateKeyPair(state, ui) != 0)
        return -1;
    if (SignImage(state, ui) != 0)
        return -1;
    ui.showMessage("Digital Signature Signed!\n");
    return 0;
}

}  // namespace vantrel
