#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/Outcome.h"

namespace vantrel {

using Sha1Digest = std::array<std::uint8_t, 20>;

// SHA-1 of the bytes, in the standard digest order. Fails only when OpenSSL
// does (the message carries its error text).
Status Sha1(std::span<const std::uint8_t> bytes, Sha1Digest& digest);

}  // namespace vantrel
