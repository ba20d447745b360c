#include "signing/MessageHash.h"

#include <openssl/evp.h>

#include "core/OpenSslHandles.h"

namespace vantrel {

std::optional<Sha1Digest> HashMessageFile(std::istream& message)
{
    MdCtxPtr context(EVP_MD_CTX_new());
    if (!context || !EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr) || !message.good())
        return std::nullopt;
    char buffer[65536];
    while (message.read(buffer, sizeof buffer) || message.gcount() > 0) {
        if (!EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(message.gcount())))
            return std::nullopt;
    }
    if (message.bad())
        return std::nullopt;
    Sha1Digest digest{};
    unsigned int length = 0;
    if (!EVP_DigestFinal_ex(context.get(), digest.data(), &length) || length != digest.size())
        return std::nullopt;
    return digest;
}

}  // namespace vantrel
