#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

#include "core/OpenSslHandles.h"
#include "core/Outcome.h"

namespace vantrel {

using Sha1Digest = std::array<std::uint8_t, 20>;

// SHA-1 of the bytes, in the standard digest order. Fails only when OpenSSL
// does (the message carries its error text).
Status Sha1(std::span<const std::uint8_t> bytes, Sha1Digest& digest);

// SHA-1 of a file's contents, read in blocks, never held whole.
Status Sha1OfFile(const std::filesystem::path& file, Sha1Digest& digest);

// SHA-1 of bytes that come in pieces (a section streamed block by block):
// the same digest as Sha1 of the pieces joined.
class Sha1Stream {
public:
    Sha1Stream();
    Status Add(std::span<const std::uint8_t> bytes);
    // The digest of everything added; the stream is spent afterwards.
    Status Finish(Sha1Digest& digest);

private:
    MdCtxPtr context_;
    bool ready_ = false;
};

}  // namespace vantrel
