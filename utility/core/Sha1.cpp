#include "core/Sha1.h"

#include <openssl/evp.h>

#include "core/OpenSslHandles.h"

namespace vantrel {

Status Sha1(std::span<const std::uint8_t> bytes, Sha1Digest& digest)
{
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1
        || length != digest.size())
        return Status::Fail("SHA-1 failed: " + OpenSslErrorText() + "\n");
    return Status(Done{});
}

}  // namespace vantrel
