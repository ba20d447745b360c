#pragma once

#include <optional>
#include <string>

#include "CommandLineToken.h"
#include "DLGCLArgsStringInput.h"

namespace sectmend {

// Scanner of the command-line stream. It reads a character only while the
// token being read can still continue; the character at which a complete
// token stops begins the next one. Characters that form no token are reported
// on the standard error stream, counted and skipped.
class CommandLine_DLGLexer {
public:
    explicit CommandLine_DLGLexer(DLGCLArgsStringInput& input);
    CommandLine_DLGLexer(const CommandLine_DLGLexer&) = delete;
    CommandLine_DLGLexer& operator=(const CommandLine_DLGLexer&) = delete;

    Token nextToken();
    int lexErrors() const { return lexErrors_; }

private:
    int take();
    std::optional<Token> scanOption(std::string& text);
    std::optional<Token> scanFileName(std::string& text);
    std::optional<Token> scanParenthesised(std::string& text);
    void reportInvalid(const std::string& text);

    DLGCLArgsStringInput& input_;
    std::optional<int> pending_;  // the character a complete token stopped at
    int lexErrors_ = 0;
};

}  // namespace sectmend
