#include "encryption/AesKeyText.h"

#include "core/HexText.h"

namespace vantrel {

bool IsHexKeyText(std::string_view text)
{
    return IsHexDigits(text);
}

SecretBytes AesKeyFromText(std::string_view text, int keyLength)
{
    if (keyLength <= 0)
        return {};
    const std::size_t digits = 2 * static_cast<std::size_t>(keyLength);
    // The odd-length "0" comes first, before the length is compared, so an
    // odd over-long text loses its last character.
    std::size_t zeros = text.size() % 2;
    if (text.size() + zeros < digits)
        zeros = digits - text.size();
    const auto digit = [&](std::size_t i) { return i < zeros ? '0' : text[i - zeros]; };
    SecretBytes key(static_cast<std::size_t>(keyLength));
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char pair[2] = {digit(2 * i), digit(2 * i + 1)};
        HexToBytes(pair, &key[i], 2);
    }
    return key;
}

}  // namespace vantrel
