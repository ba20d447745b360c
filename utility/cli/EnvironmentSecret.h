#pragma once

#include <optional>
#include <string>

#include "core/Secret.h"

namespace vantrel::cli {

// The value of the environment variable name (a key or a PIN), taken out of
// the environment: copied into memory that is wiped when released, wiped
// where it stood and removed, so nothing the command starts inherits it.
// nullopt when the variable is not set.
std::optional<SecretBytes> TakeSecretVariable(const std::string& name);

}  // namespace vantrel::cli
