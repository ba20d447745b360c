#include "core/Sha1.h"

#include <openssl/evp.h>

namespace vantrel {

namespace {

Status Sha1Failed()
{
    return Status::Fail("SHA-1 failed: " + OpenSslErrorText() + "\n");
}

}  // namespace

Status Sha1(std::span<const std::uint8_t> bytes, Sha1Digest& digest)
{
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha1(), nullptr) != 1
        || length != digest.size())
        return Sha1Failed();
    return Status(Done{});
}

Sha1Stream::Sha1Stream() : context_(EVP_MD_CTX_new())
{
    // A failed set-up is reported by the first Add or Finish.
    ready_ = context_ && EVP_DigestInit_ex2(context_.get(), EVP_sha1(), nullptr) == 1;
}

Status Sha1Stream::Add(std::span<const std::uint8_t> bytes)
{
    if (!ready_ || EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) != 1)
        return Sha1Failed();
    return Status(Done{});
}

Status Sha1Stream::Finish(Sha1Digest& digest)
{
    unsigned int length = 0;
    if (!ready_ || EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 || length != digest.size())
        return Sha1Failed();
    ready_ = false;
    return Status(Done{});
}

}  // namespace vantrel
