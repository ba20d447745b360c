#include "core/Sha1.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "filereplace/UniqueFd.h"

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

Status Sha1OfFile(const std::filesystem::path& file, Sha1Digest& digest)
{
    UniqueFd in(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return Status::Fail("Could not read " + file.string() + ": " + std::strerror(errno) + ".\n");
    Sha1Stream stream;
    std::vector<std::uint8_t> block(1 << 20);
    for (;;) {
        const ssize_t count = read(in.get(), block.data(), block.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return Status::Fail("Could not read " + file.string() + ": " + std::strerror(errno) + ".\n");
        if (count == 0)
            return stream.Finish(digest);
        if (Status added = stream.Add({block.data(), static_cast<std::size_t>(count)}); !added)
            return added;
    }
}

}  // namespace vantrel
