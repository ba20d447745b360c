#include "inventory/SectionListing.h"

#include <algorithm>

#include "inventory/NumberText.h"

namespace vantrel {

namespace {

bool IsTokenSeparator(char c)
{
    return c == '/' || c == ' ' || c == ':';
}

// Pieces of text between runs of the separators, never empty.
template <typename IsSeparator>
std::vector<std::string_view> Pieces(std::string_view text, IsSeparator isSeparator)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= text.size(); ++at) {
        if (at < text.size() && !isSeparator(text[at]))
            continue;
        if (at > start)
            pieces.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    return pieces;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The listing prints bytes that would break a line or a token as \xNN; the
// name is turned back into its bytes, so the tools are handed the real name.
std::string UnescapedName(std::string_view token)
{
    std::string name;
    for (std::size_t i = 0; i < token.size(); ++i) {
        if (token[i] == '\'' )
            continue;
        if (token[i] == '\\' && i + 3 < token.size() && token[i + 1] == 'x' && HexValue(token[i + 2]) >= 0 &&
            HexValue(token[i + 3]) >= 0) {
            name += static_cast<char>(16 * HexValue(token[i + 2]) + HexValue(token[i + 3]));
            i += 3;
            continue;
        }
        name += token[i];
    }
    return name;
}

}  // namespace

std::vector<std::string_view> ListingLines(std::string_view text)
{
    return Pieces(text, [](char c) { return c == '\n'; });
}

std::vector<std::string_view> ListingTokens(std::string_view line)
{
    return Pieces(line, IsTokenSeparator);
}

SectionRecord SectionRecordFromTokens(const std::vector<std::string_view>& tokens)
{
    SectionRecord record;
    record.name = UnescapedName(tokens[11]);
    record.typeText = std::string(tokens[1]);
    record.flagsText = std::string(tokens[2]);
    record.addressText = std::string(tokens[3]);
    record.column4Text = std::string(tokens[4]);
    record.sizeText = std::string(tokens[5]);
    record.column7 = ReadDecimalNumber(tokens[7]);
    record.column8 = ReadDecimalNumber(tokens[8]);
    record.column9 = ReadDecimalNumber(tokens[9]);
    record.column10 = ReadDecimalNumber(tokens[10]);
    return record;
}

std::vector<SectionRecord> ParseSectionListing(std::string_view listing)
{
    const std::vector<std::string_view> lines = ListingLines(listing);
    std::vector<SectionRecord> records;
    for (std::size_t i = ListingHeadingLines; i < lines.size(); ++i) {
        const std::vector<std::string_view> tokens = ListingTokens(lines[i]);
        if (tokens.size() >= ListingTokenCount)
            records.push_back(SectionRecordFromTokens(tokens));
    }
    return records;
}

}  // namespace vantrel
