#include "inventory/Load.h"

namespace vantrel {

// Placeholder until the section inventory lands.
void OnLoad(DialogState&, UserInterface& ui)
{
    if (ui.imagePath().empty()) {
        ui.showMessage("Please input binary file");
        return;
    }
    ui.showMessage("Load is not available yet.");
}

}  // namespace vantrel
