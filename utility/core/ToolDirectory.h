#pragma once

#include <string>

namespace vantrel {

// The directory the tools and the curve file are taken from: the working
// directory when it holds sectmend, otherwise the running executable's.
std::string FindToolDirectory();

}  // namespace vantrel
