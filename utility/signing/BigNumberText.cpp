#include "signing/BigNumberText.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

#include <openssl/crypto.h>

#include "signing/SecretBytes.h"

namespace vantrel {

namespace {

bool IsHexadecimal(const std::string& text)
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
    SecretText token;
    token.text.reserve(MaxNumberTokenLength + 1);
    in >> token.text;
    if (in.eof() || !in.good())
        return result;  // zero
    if (token.text.size() > MaxNumberTokenLength) {
        result.problem = TokenProblem::TooLong;
        return result;
    }
    if (!IsHexadecimal(token.text)) {
        result.problem = TokenProblem::NotHexadecimal;
        return result;
    }
    BIGNUM* converted = result.value.get();
    if (BN_hex2bn(&converted, token.text.c_str()) == 0)
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
