#pragma once

#include "TestSupport.h"

namespace vantrel::testing {

// Independent checks of what a save wrote, straight through OpenSSL: the
// decryption of a buffer from the IV by key-length and mode index ("CTR" is
// OFB), and the SHA-1 of bytes. Failures are reported as test failures.
void DecryptInPlace(int keyLenIndex, int modeIndex, const Bytes& key, const Bytes& iv, Bytes& buffer);
Bytes Sha1Of(const Bytes& bytes);

}  // namespace vantrel::testing
