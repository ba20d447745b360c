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
    // Names: the section names of the command line take letters, digits, '.',
    // '_', bytes 0x80-0xFE, '$', and '-' after their first character.
    // ClassicSilent: the names of the first command-line language (no '-' or
    // '$'), without any report; only the look-ahead of Names uses it.
    enum class Mode { Names, ClassicSilent };

    explicit CommandLine_DLGLexer(DLGCLArgsStringInput& input, Mode mode = Mode::Names);
    CommandLine_DLGLexer(const CommandLine_DLGLexer&) = delete;
    CommandLine_DLGLexer& operator=(const CommandLine_DLGLexer&) = delete;

    Token nextToken();
    int lexErrors() const { return lexErrors_; }

private:
    int take();
    std::optional<Token> scanOption(std::string& text);
    bool continuesName(int c, const std::string& name) const;
    std::optional<Token> scanFileName(std::string& text);
    std::optional<Token> scanParenthesised(std::string& text);
    void reportInvalid(std::string text, int stoppedAt);

    DLGCLArgsStringInput& input_;
    Mode mode_;
    std::optional<int> pending_;  // the character a complete token stopped at
    int lastTaken_ = 0;
    int lexErrors_ = 0;
};

}  // namespace sectmend
