#include "encryption/Save.h"

namespace vantrel {

// Placeholder until the save workflow lands.
bool OnSave(DialogState&, UserInterface& ui)
{
    if (ui.imagePath().empty()) {
        ui.showMessage("Please input the VNF file!");
        return false;
    }
    ui.showMessage("Save is not available yet.");
    return false;
}

}  // namespace vantrel
