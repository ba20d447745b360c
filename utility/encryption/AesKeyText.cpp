#include "encryption/AesKeyText.h"

#include "encryption/SecretText.h"
#include "signing/HexToBytes.h"

namespace vantrel {

namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool IsHexKeyText(const std::string& text)
{
    for (char c : text) {
        if (!IsHexDigit(c))
            return false;
    }
    return true;
}

void AesKeyFromText(const std::string& text, int keyLength, std::uint8_t* key)
{
    if (keyLength <= 0)
        return;
    const std::size_t digits = 2 * static_cast<std::size_t>(keyLength);
    // The odd-length "0" comes first, before the length is compared, so an
    // odd over-long text loses its last character.
    std::size_t zeros = text.size() % 2;
    if (text.size() + zeros < digits)
        zeros = digits - text.size();
    SecretText padded;
    padded.text().reserve(zeros + text.size());
    padded.text().assign(zeros, '0');
    padded.text().append(text);
    HexToBytes(padded.text().data(), key, static_cast<int>(digits));
}

}  // namespace vantrel
