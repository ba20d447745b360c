#pragma once

#include <array>
#include <cstddef>

#include "CommandLineOptions.h"
#include "CommandLineToken.h"
#include "CommandLine_DLGLexer.h"

namespace sectmend {

// Recursive-descent parser of the command line with four tokens of lookahead:
// the scanner always runs four tokens beyond the last one consumed, so
// lexical errors there are reported even where the grammar ignores them.
class CommandLine_Parser {
public:
    static constexpr std::size_t Lookahead = 4;

    explicit CommandLine_Parser(CommandLine_DLGLexer& lexer);
    CommandLine_Parser(const CommandLine_Parser&) = delete;
    CommandLine_Parser& operator=(const CommandLine_Parser&) = delete;

    // Fills the lookahead, then runs the start rule once.
    void parse();

    int syntaxErrors() const { return syntaxErrors_; }
    const CommandLineOptions& options() const { return options_; }

private:
    const Token& LA(std::size_t i) const;  // i from 1 to Lookahead
    TokenType LT1() const { return LA(1).type; }
    Token consume();
    void skipToEnd();
    void syntaxError(const char* message);

    void start();
    void sectionOperation();
    void helpAndVersion();

    CommandLine_DLGLexer& lexer_;
    std::array<Token, Lookahead> ahead_;
    std::size_t first_ = 0;  // index of LA(1) in ahead_
    int syntaxErrors_ = 0;
    CommandLineOptions options_;
};

}  // namespace sectmend
