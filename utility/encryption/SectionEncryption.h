#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "core/Outcome.h"
#include "core/Sha1.h"
#include "filereplace/UniqueFd.h"
#include "encryption/AesCipher.h"

namespace vantrel {

// Encrypts one section as it streams in, in pieces of any size, into a new
// file (the bytes sectmend then writes into the image), and takes the
// digests of the plain bytes (to see that the image still holds what Load
// read) and of the encrypted ones (for the record). Holds at most one
// piece and a partial AES block, whatever the section's size.
class SectionEncryption {
public:
    // Creates file (which must not exist), readable by its owner only.
    static Outcome<SectionEncryption> Start(AesCipher& cipher, const std::filesystem::path& file);

    Status Add(std::span<const std::uint8_t> piece);
    // The section must have been a whole number of AES blocks.
    Status Finish(Sha1Digest& plainDigest, Sha1Digest& encryptedDigest);

private:
    SectionEncryption(AesCipher& cipher, UniqueFd out, std::filesystem::path file)
        : cipher_(&cipher), out_(std::move(out)), file_(std::move(file)) {}

    AesCipher* cipher_;
    UniqueFd out_;
    std::filesystem::path file_;
    Sha1Stream plain_;
    Sha1Stream encrypted_;
    std::vector<std::uint8_t> pending_;
};

}  // namespace vantrel
