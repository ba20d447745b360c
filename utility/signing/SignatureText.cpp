#include "signing/SignatureText.h"

#include <array>

namespace vantrel {

std::string SignatureText(const BIGNUM* r, const BIGNUM* s)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const BIGNUM* value : {r, s}) {
        std::array<unsigned char, SignatureValueBytes> bytes{};
        if (BN_bn2lebinpad(value, bytes.data(), SignatureValueBytes) != SignatureValueBytes)
            return {};
        for (unsigned char byte : bytes) {
            text += digits[byte >> 4];
            text += digits[byte & 15];
        }
    }
    return text;
}

}  // namespace vantrel
