#include "CommandLine_Parser.h"

#include <cstdio>

#include "UsageText.h"

namespace sectmend {

CommandLine_Parser::CommandLine_Parser(CommandLine_DLGLexer& lexer) : lexer_(lexer) {}

void CommandLine_Parser::parse()
{
    for (auto& token : ahead_) token = lexer_.nextToken();
    first_ = 0;
    start();
}

const Token& CommandLine_Parser::LA(std::size_t i) const
{
    return ahead_[(first_ + i - 1) % Lookahead];
}

// Hands out LA(1) and reads one more token into the lookahead.
Token CommandLine_Parser::consume()
{
    Token token = std::move(ahead_[first_]);
    ahead_[first_] = lexer_.nextToken();
    first_ = (first_ + 1) % Lookahead;
    return token;
}

void CommandLine_Parser::skipToEnd()
{
    while (LT1() != TokenType::Eof) consume();
}

void CommandLine_Parser::syntaxError(const char* message)
{
    std::fprintf(stderr, "%s\n", message);
    ++syntaxErrors_;
}

void CommandLine_Parser::start()
{
    switch (LT1()) {
    case TokenType::OPT_GET:
    case TokenType::OPT_REPLACE:
        sectionOperation();
        return;
    case TokenType::OPT_HELP:
    case TokenType::OPT_VERSION:
    case TokenType::Eof:
        helpAndVersion();
        return;
    default:
        WriteUsage();
        ++syntaxErrors_;
        return;
    }
}

// operation [-o file] [-bits file] [-text] input-file [(element)]. After the
// input file -get leaves anything unread; -replace refuses it, since an
// option put there would otherwise be dropped silently and the image changed
// from standard input.
void CommandLine_Parser::sectionOperation()
{
    const bool get = LT1() == TokenType::OPT_GET;
    (get ? options_.get : options_.replace) = true;
    options_.sectionName = consume().text;
    if (LT1() == TokenType::OUTPUTFILE) options_.outputFile = consume().text;
    if (LT1() == TokenType::OPT_BITS) options_.bitsFile = consume().text;
    if (options_.get && !options_.bitsFile.empty())
        syntaxError("SYNTAX ERROR: input-bits file name cannot be used with -get option");
    if (LT1() == TokenType::OPT_TEXT) {
        consume();
        options_.text = true;
    }
    if (LT1() != TokenType::FILENAME) {
        syntaxError("SYNTAX ERROR: Missing input file name");
        skipToEnd();
        return;
    }
    options_.inputFile = consume().text;
    if (LT1() == TokenType::ELEMENTNAME) {
        const std::string element = consume().text;
        options_.element = element.substr(1, element.size() - 2);
    }
    if (options_.replace && LT1() != TokenType::Eof) {
        syntaxError("SYNTAX ERROR: Nothing may follow the input file name with -replace");
        skipToEnd();
    }
}

// { -help | -version } then the end of the command line.
void CommandLine_Parser::helpAndVersion()
{
    for (;;) {
        if (LT1() == TokenType::OPT_HELP) {
            consume();
            WriteUsage();
        } else if (LT1() == TokenType::OPT_VERSION) {
            consume();
            options_.version = true;
        } else {
            break;
        }
    }
    if (LT1() != TokenType::Eof) {
        WriteUsage();
        ++syntaxErrors_;
        skipToEnd();
    }
}

}  // namespace sectmend
