#pragma once

#include <memory>
#include <string>

#include "inventory/Load.h"

namespace vantrel {

// What lives between two button presses of the dialog: where the tools are,
// and what the last Load found (none before the first Load and after a
// failed one, so Save never works from a half-read image).
struct DialogState {
    std::string toolDirectory;
    std::shared_ptr<const Inventory> inventory;
};

}  // namespace vantrel
