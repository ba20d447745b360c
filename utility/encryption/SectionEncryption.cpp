#include "encryption/SectionEncryption.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/Files.h"

namespace vantrel {

namespace {

Status WriteProblem(const std::filesystem::path& file, int error)
{
    return Status::Fail("Could not write " + file.string() + ": " + std::strerror(error) + ".\n");
}

}  // namespace

Outcome<SectionEncryption> SectionEncryption::Start(AesCipher& cipher, const std::filesystem::path& file)
{
    UniqueFd out(open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid())
        return Outcome<SectionEncryption>::Fail("Could not create " + file.string() + ": " + std::strerror(errno) +
                                                ".\n");
    if (Status restarted = cipher.Restart(); !restarted)
        return Outcome<SectionEncryption>::Fail(restarted.message());
    return SectionEncryption(cipher, std::move(out), file);
}

Status SectionEncryption::Add(std::span<const std::uint8_t> piece)
{
    if (Status digested = plain_.Add(piece); !digested)
        return digested;
    pending_.insert(pending_.end(), piece.begin(), piece.end());
    // Whole AES blocks go on; a partial one waits for the next piece.
    const std::size_t whole = pending_.size() & ~std::size_t{15};
    if (whole == 0)
        return Done{};
    const std::span<std::uint8_t> blocks(pending_.data(), whole);
    if (Status encrypted = cipher_->Continue(blocks); !encrypted)
        return encrypted;
    if (Status digested = encrypted_.Add(blocks); !digested)
        return digested;
    if (Status written = WriteAll(out_.get(), pending_.data(), whole, file_); !written)
        return written;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(whole));
    return Done{};
}

Status SectionEncryption::Finish(Sha1Digest& plainDigest, Sha1Digest& encryptedDigest)
{
    if (!pending_.empty())
        return Status::Fail("AES encryption needs a multiple of 16 bytes.\n");
    if (Status finished = cipher_->Finish(); !finished)
        return finished;
    if (!out_.close())
        return WriteProblem(file_, errno);
    if (Status digested = plain_.Finish(plainDigest); !digested)
        return digested;
    return encrypted_.Finish(encryptedDigest);
}

}  // namespace vantrel
