#include "signing/BigNumberText.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iomanip>
#include <string_view>
#include <vector>
#include <memory>

#include <openssl/crypto.h>

#include "core/Secret.h"

namespace vantrel {

namespace {

bool IsHexadecimal(std::string_view text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char ch) { return std::isxdigit(static_cast<unsigned char>(ch)) != 0; });
}

}  // namespace

BigNumberRead ReadBigNumber(std::istream& in)
{
    BigNumberRead result;
    result.value.reset(BN_new());
    if (!result.value) {
        result.problem = TokenProblem::OutOfMemory;
        return result;
    }
    // The token may be a private key: read into reserved room (no short
    // string inside the object, no reallocation), kept as a secret, wiped.
    // At most one character more than a number may have is read, so a file
    // without blanks (/dev/zero) is refused after that many, not read on.
    std::string read;
    read.reserve(MaxNumberTokenLength + 1);
    in >> std::setw(static_cast<std::streamsize>(MaxNumberTokenLength + 1)) >> read;
    const SecretText token(read);
    WipeString(read);
    if (token.size() > MaxNumberTokenLength) {
        result.problem = TokenProblem::TooLong;
        return result;
    }
    if (in.eof() || !in.good())
        return result;  // zero
    if (!IsHexadecimal(token.view())) {
        result.problem = TokenProblem::NotHexadecimal;
        return result;
    }
    BIGNUM* converted = result.value.get();
    std::vector<char, WipingAllocator<char>> terminated(token.view().begin(), token.view().end());
    terminated.push_back('\0');
    if (BN_hex2bn(&converted, terminated.data()) == 0)
        result.problem = TokenProblem::OutOfMemory;
    return result;
}

std::string BigNumberHex(const BIGNUM* number)
{
    // The number may be a private key: its text is wiped before it is freed.
    const auto clearFree = [](char* text) { OPENSSL_clear_free(text, std::strlen(text)); };
    std::unique_ptr<char, decltype(clearFree)> text(BN_bn2hex(number), clearFree);
    if (!text)
        return {};
    // BN_bn2hex writes whole bytes, so an odd count of digits starts with "0".
    const char* digits = text.get();
    if (digits[0] == '0' && digits[1] != '\0')
        ++digits;
    return std::string(digits);
}

}  // namespace vantrel
