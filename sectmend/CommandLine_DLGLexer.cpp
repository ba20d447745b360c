#include "CommandLine_DLGLexer.h"

#include <array>
#include <cstdio>

namespace sectmend {

namespace {

constexpr int kEnd = DLGCLArgsStringInput::EndOfInput;
constexpr int kSeparator = 0;

// Letters, digits, ".", "_" and the bytes 0x80-0xFE.
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

}  // namespace

CommandLine_DLGLexer::CommandLine_DLGLexer(DLGCLArgsStringInput& input) : input_(input) {}

int CommandLine_DLGLexer::take()
{
    if (pending_) {
        const int c = *pending_;
        pending_.reset();
        return c;
    }
    return input_.nextChar();
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
        reportInvalid(text);
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
    const auto accepts = keyword->value == ValueKind::Name ? IsNameChar : IsValueChar;
    std::string value;
    for (c = take(); accepts(c); c = take()) value += static_cast<char>(c);
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

void CommandLine_DLGLexer::reportInvalid(const std::string& text)
{
    ++lexErrors_;
    const std::string shown = text.substr(0, text.find('\0'));
    std::fprintf(stderr, "invalid token near line 1 (text was '%s')\n", shown.c_str());
}

}  // namespace sectmend
