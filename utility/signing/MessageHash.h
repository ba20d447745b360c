#pragma once

#include <array>
#include <istream>
#include <optional>

namespace vantrel {

using Sha1Digest = std::array<unsigned char, 20>;

// The SHA-1 digest of all remaining bytes of a stream opened for binary
// reading; read as a big-endian number (first byte most significant) it is
// the h that is signed, not shortened to the bit length of q. Nothing when
// the stream cannot be read or the library fails.
std::optional<Sha1Digest> HashMessageFile(std::istream& message);

}  // namespace vantrel
