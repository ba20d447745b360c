#pragma once

#include <string>

namespace sectmend {

enum class TokenType {
    Eof,
    OPT_GET,
    OPT_REPLACE,
    OUTPUTFILE,
    OPT_BITS,
    OPT_TEXT,
    OPT_HELP,
    OPT_VERSION,
    FILENAME,
    ELEMENTNAME,
};

// One token of the command line: for the options with a value the text is the
// value alone; for FILENAME and ELEMENTNAME it is everything matched.
struct Token {
    TokenType type = TokenType::Eof;
    std::string text;
};

}  // namespace sectmend
