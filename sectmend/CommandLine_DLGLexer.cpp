#include "CommandLine_DLGLexer.h"

#include <array>
#include <cstdio>
#include <vector>

namespace sectmend {

namespace {

constexpr int kEnd = DLGCLArgsStringInput::EndOfInput;
constexpr int kSeparator = 0;

// Letters, digits, ".", "_" and the bytes 0x80-0xFE: the characters every
// section name could always hold.
bool IsNameChar(int c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || (c >= 0x80 && c <= 0xFE);
}

// Any character of a file name: not a separator and not a parenthesis.
bool IsFileChar(int c)
{
    return c != kEnd && c != kSeparator && c != '(' && c != ')';
}

// Any character of an option value: not a separator.
bool IsValueChar(int c)
{
    return c != kEnd && c != kSeparator;
}

enum class ValueKind { None, Name, Any };

struct Keyword {
    const char* word;  // after the dash
    TokenType type;
    ValueKind value;
};

// First letters differ, so the first character after the dash picks the keyword.
constexpr std::array<Keyword, 7> kKeywords = {{
    {"get", TokenType::OPT_GET, ValueKind::Name},
    {"replace", TokenType::OPT_REPLACE, ValueKind::Name},
    {"o", TokenType::OUTPUTFILE, ValueKind::Any},
    {"bits", TokenType::OPT_BITS, ValueKind::Any},
    {"text", TokenType::OPT_TEXT, ValueKind::None},
    {"help", TokenType::OPT_HELP, ValueKind::None},
    {"version", TokenType::OPT_VERSION, ValueKind::None},
}};

const Keyword* KeywordStartingWith(int c)
{
    for (const auto& keyword : kKeywords)
        if (keyword.word[0] == c) return &keyword;
    return nullptr;
}

// Whether the first command-line language reads tail (the rest of an argument
// from a '-' or '$' inside a section name), followed by the next argument if
// there is one, as tokens without an error.
bool ClassicReadsAsTokens(std::string tail, const DLGCLArgsStringInput& input)
{
    std::string following = input.followingArgument();
    std::vector<char*> argv{nullptr, tail.data()};
    if (input.hasFollowingArgument()) argv.push_back(following.data());
    DLGCLArgsStringInput classicInput(static_cast<int>(argv.size()), argv.data());
    CommandLine_DLGLexer classic(classicInput, CommandLine_DLGLexer::Mode::ClassicSilent);
    // The first error ends the look-ahead; most tails fail at once.
    while (classic.nextToken().type != TokenType::Eof) {
    }
    return classic.lexErrors() == 0;
}

}  // namespace

CommandLine_DLGLexer::CommandLine_DLGLexer(DLGCLArgsStringInput& input, Mode mode) : input_(input), mode_(mode) {}

int CommandLine_DLGLexer::take()
{
    if (pending_) {
        lastTaken_ = *pending_;
        pending_.reset();
    } else {
        lastTaken_ = input_.nextChar();
    }
    return lastTaken_;
}

Token CommandLine_DLGLexer::nextToken()
{
    for (;;) {
        const int c = take();
        if (c == kEnd) return {};
        if (c == kSeparator) continue;
        std::string text(1, static_cast<char>(c));
        std::optional<Token> token = c == '-'   ? scanOption(text)
                                     : c == '(' ? scanParenthesised(text)
                                                : scanFileName(text);
        if (token) return *token;
        reportInvalid(text, lastTaken_);
        // A look-ahead needs only to know that the tail fails.
        if (mode_ == Mode::ClassicSilent) return {};
    }
}

// "-" has been read. The value of "-get", "-replace", "-o" and "-bits" follows
// a separator inside the token. On a character that no pattern takes, that
// character is dropped and the token is invalid.
std::optional<Token> CommandLine_DLGLexer::scanOption(std::string& text)
{
    int c = take();
    const Keyword* keyword = KeywordStartingWith(c);
    if (keyword == nullptr) return std::nullopt;
    text += static_cast<char>(c);
    for (const char* letter = keyword->word + 1; *letter != '\0'; ++letter) {
        c = take();
        if (c != *letter) return std::nullopt;
        text += static_cast<char>(c);
    }
    if (keyword->value == ValueKind::None) return Token{keyword->type, {}};

    if (take() != kSeparator) return std::nullopt;
    text += '\0';
    std::string value;
    for (c = take(); keyword->value == ValueKind::Name ? continuesName(c, value) : IsValueChar(c); c = take())
        value += static_cast<char>(c);
    if (value.empty()) return std::nullopt;
    pending_ = c;
    return Token{keyword->type, std::move(value)};
}

// An input file name: a first character (not a separator, "-" or "(") and one
// or more file-name characters.
std::optional<Token> CommandLine_DLGLexer::scanFileName(std::string& text)
{
    int c = take();
    if (!IsFileChar(c)) return std::nullopt;
    for (; IsFileChar(c); c = take()) text += static_cast<char>(c);
    pending_ = c;
    return Token{TokenType::FILENAME, text};
}

// "(" has been read: a member name when a ")" closes it, else a file name.
std::optional<Token> CommandLine_DLGLexer::scanParenthesised(std::string& text)
{
    int c = take();
    if (!IsFileChar(c)) return std::nullopt;
    for (; IsFileChar(c); c = take()) text += static_cast<char>(c);
    if (c == ')') {
        text += ')';
        return Token{TokenType::ELEMENTNAME, text};
    }
    pending_ = c;
    return Token{TokenType::FILENAME, text};
}

// A section name takes '$', and '-' after its first character, unless the
// first language reads the rest of the argument from there as tokens of their
// own: then the name ends there as it always did, so every command line that
// was valid keeps its meaning ("-get a-text f.o" is still section "a", -text).
bool CommandLine_DLGLexer::continuesName(int c, const std::string& name) const
{
    if (IsNameChar(c)) return true;
    if (mode_ == Mode::ClassicSilent || !(c == '$' || (c == '-' && !name.empty()))) return false;
    // No valid command line ever had an empty name, so a first '$' is free.
    return name.empty() || !ClassicReadsAsTokens(static_cast<char>(c) + input_.restOfArgument(), input_);
}

// Quotes the whole wrong token: what was read, the character it stopped at
// and the rest of that argument, separators shown as spaces. Scanning goes on
// after the character it stopped at, as before.
void CommandLine_DLGLexer::reportInvalid(std::string text, int stoppedAt)
{
    ++lexErrors_;
    if (mode_ == Mode::ClassicSilent) return;
    if (stoppedAt != kEnd && stoppedAt != kSeparator) text += static_cast<char>(stoppedAt) + input_.restOfArgument();
    while (!text.empty() && text.back() == '\0') text.pop_back();
    for (char& c : text)
        if (c == '\0') c = ' ';
    std::fprintf(stderr, "invalid token near line 1 (text was '%s')\n", text.c_str());
}

}  // namespace sectmend
