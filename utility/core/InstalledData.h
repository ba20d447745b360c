#pragma once

#include <string>

namespace vantrel {

// The installed data folder: <folder of the running executable>/../share/vantrel,
// so a relocated install finds its data as well as one under /usr.
std::string InstalledDataDirectory();

}  // namespace vantrel
