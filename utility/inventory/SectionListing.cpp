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
    record.name = std::string(tokens[11]);
    record.name.erase(std::remove(record.name.begin(), record.name.end(), '\''), record.name.end());
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
