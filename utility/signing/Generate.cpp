#include "signing/Generate.h"

namespace vantrel {

// Placeholder until signing lands.
int OnGenerate(DialogState&, UserInterface& ui)
{
    if (ui.imagePath().empty()) {
        ui.showMessage("Please input the VNF file!");
        return -1;
    }
    ui.showMessage("Generate is not available yet.");
    return -1;
}

}  // namespace vantrel
