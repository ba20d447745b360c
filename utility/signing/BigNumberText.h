#pragma once

#include <istream>
#include <string>

#include "core/OpenSslHandles.h"

namespace vantrel {

// Big numbers in the curve and key files: one whitespace-delimited token of
// hexadecimal digits (either case), no prefix, at most this many characters.
constexpr std::size_t MaxNumberTokenLength = 1024;

enum class TokenProblem { None, TooLong, NotHexadecimal, OutOfMemory };

struct BigNumberRead {
    BignumPtr value;  // set unless problem says otherwise
    TokenProblem problem = TokenProblem::None;
};

// Reads the next token, never more than MaxNumberTokenLength + 1
// characters of it: a longer one is TooLong, wherever it ends. A token
// after which the stream has reached its end or failed (a number running to
// the very end of the file, or a file that could not be opened or is
// exhausted) reads as zero, as the files have always been read. The token
// text is wiped after use: it may be a key.
BigNumberRead ReadBigNumber(std::istream& in);

// Uppercase hexadecimal digits without prefix or leading zeros; "0" for zero.
// Empty only when out of memory.
std::string BigNumberHex(const BIGNUM* number);

}  // namespace vantrel
