// The section tool's command line, lexer and parser: the fuzz input is the
// arguments, separated by zero bytes. Whatever the arguments, parsing ends
// with a result that the same arguments give again, and a command line
// accepted without errors is a complete request; a replace ends with its
// input file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "CommandLine_DLGLexer.h"
#include "CommandLine_Parser.h"
#include "DLGCLArgsStringInput.h"
#include "FuzzSupport.h"

namespace {

struct ParseResult {
    int syntaxErrors = 0;
    int lexErrors = 0;
    sectmend::CommandLineOptions options;
};

ParseResult Parse(std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    sectmend::DLGCLArgsStringInput input(static_cast<int>(arguments.size()), argv.data());
    sectmend::CommandLine_DLGLexer lexer(input);
    sectmend::CommandLine_Parser parser(lexer);
    parser.parse();
    return {parser.syntaxErrors(), lexer.lexErrors(), parser.options()};
}

bool SameOptions(const sectmend::CommandLineOptions& a, const sectmend::CommandLineOptions& b)
{
    return a.get == b.get && a.replace == b.replace && a.text == b.text && a.version == b.version &&
           a.sectionName == b.sectionName && a.inputFile == b.inputFile && a.element == b.element &&
           a.outputFile == b.outputFile && a.bitsFile == b.bitsFile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t MaxArguments = 32;
    std::vector<std::string> arguments{"sectmend"};
    std::string current;
    for (std::size_t i = 0; i < size && arguments.size() < MaxArguments; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (!current.empty() && arguments.size() < MaxArguments)
        arguments.push_back(current);

    const ParseResult first = Parse(arguments);
    const ParseResult again = Parse(arguments);
    FUZZ_CHECK(first.syntaxErrors == again.syntaxErrors && first.lexErrors == again.lexErrors);
    FUZZ_CHECK(SameOptions(first.options, again.options));

    if (first.syntaxErrors != 0 || first.lexErrors != 0)
        return 0;
    const sectmend::CommandLineOptions& options = first.options;
    FUZZ_CHECK(!(options.get && options.replace));
    if (options.get || options.replace) {
        FUZZ_CHECK(!options.sectionName.empty());
        FUZZ_CHECK(!options.inputFile.empty());
        FUZZ_CHECK(options.replace || options.bitsFile.empty());
        // A replace takes nothing after its input file: an option left
        // there would otherwise be ignored and the image patched in place.
        if (options.replace) {
            // (One argument may hold several tokens; empty ones hold none.)
            auto lastGiven = arguments.rbegin();
            while (lastGiven->empty())
                ++lastGiven;
            const std::string& last = *lastGiven;
            const std::string member = "(" + options.element + ")";
            FUZZ_CHECK(last.ends_with(options.element.empty() ? options.inputFile : member));
        }
    } else {
        FUZZ_CHECK(options.sectionName.empty() && options.inputFile.empty() && options.outputFile.empty() &&
                   options.bitsFile.empty() && !options.text);
    }
    return 0;
}
