#include "cli/EnvironmentSecret.h"

#include <openssl/crypto.h>

#include <cstdlib>
#include <cstring>

namespace vantrel::cli {

std::optional<SecretBytes> TakeSecretVariable(const std::string& name)
{
    char* value = std::getenv(name.c_str());
    if (value == nullptr)
        return std::nullopt;
    const std::size_t length = std::strlen(value);
    SecretBytes secret(value, value + length);
    OPENSSL_cleanse(value, length);
    unsetenv(name.c_str());
    return secret;
}

}  // namespace vantrel::cli
