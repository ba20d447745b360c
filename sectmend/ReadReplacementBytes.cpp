#include <cstdio>
#include <cstring>
#include <memory>

#include "SectionByteFiles.h"
#include "StdioFile.h"

namespace sectmend {

namespace {

enum class PairResult { Value, Nothing, Invalid };

// Converts the one or two characters read for a byte as "%02x" reads them:
// white space is skipped, up to two digits count, a pair with no digits at
// all is invalid, white space alone converts nothing. A NUL character is not
// text and makes the pair invalid.
PairResult ConvertPair(const char* chars, std::size_t count, unsigned char& byte)
{
    if (std::memchr(chars, '\0', count) != nullptr) return PairResult::Invalid;
    char text[3] = {};
    std::memcpy(text, chars, count);
    unsigned int value = 0;
    const int converted = std::sscanf(text, "%02x", &value);
    if (converted == EOF) return PairResult::Nothing;
    if (converted != 1) return PairResult::Invalid;
    byte = static_cast<unsigned char>(value & 0xffu);
    return PairResult::Value;
}

bool ReadText(std::FILE* in, std::vector<unsigned char>& bytes)
{
    for (auto& byte : bytes) {
        char chars[2];
        int c = std::getc(in);
        if (c == EOF) return true;
        chars[0] = static_cast<char>(c);
        std::size_t count = 1;
        c = std::getc(in);
        if (c != EOF) chars[count++] = static_cast<char>(c);
        if (ConvertPair(chars, count, byte) == PairResult::Invalid) {
            std::fputs("ERROR: Ill-formatted input.\n", stderr);
            return false;
        }
    }
    return true;
}

// Anything left after the section's bytes is ignored, with a warning.
void WarnAboutSurplus(std::FILE* in)
{
    const int c = std::getc(in);
    if (c != EOF || (std::ferror(in) && !std::feof(in)))
        std::fputs("WARNING: The input is larger than the section size. Extra input is ignored.\n", stderr);
}

}  // namespace

std::optional<std::vector<unsigned char>> readReplacementBytes(const std::string& bitsName, std::size_t size,
                                                               bool textForm)
{
    StdioFile file;
    if (!bitsName.empty()) {
        file.reset(std::fopen(bitsName.c_str(), "rb"));
        if (!file) {
            std::fprintf(stderr, "ERROR: %s can not be opened for reading.\n", bitsName.c_str());
            return std::nullopt;
        }
    }
    std::FILE* in = file ? file.get() : stdin;
    std::vector<unsigned char> bytes(size, 0);
    if (textForm) {
        if (!ReadText(in, bytes)) return std::nullopt;
    } else {
        (void)std::fread(bytes.data(), 1, size, in);  // short input leaves zeros
    }
    if (std::ferror(in)) {
        const std::string name = bitsName.empty() ? std::string("The standard input") : bitsName;
        std::fprintf(stderr, "ERROR: %s could not be read.\n", name.c_str());
        return std::nullopt;
    }
    WarnAboutSurplus(in);
    return bytes;
}

}  // namespace sectmend
