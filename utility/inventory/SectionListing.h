#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "inventory/SectionRecord.h"

namespace vantrel {

// Reading the section-header listing of scnlist -sh: seven heading lines,
// then one line per section header with twelve tokens
// INDEX TYPE FLAGS ADDR OFFSET SIZE FLAGLETTERS LINK INFO ALIGN ENTSIZE 'NAME'.

constexpr std::size_t ListingHeadingLines = 7;
constexpr std::size_t ListingTokenCount = 12;

// The non-empty pieces of text between line ends ('\n' only; a carriage
// return is an ordinary character).
std::vector<std::string_view> ListingLines(std::string_view text);

// The tokens of a line, cut at every run of '/', ' ' and ':'; never empty.
std::vector<std::string_view> ListingTokens(std::string_view line);

// A fresh record from a section line's tokens (at least twelve): the name
// is token 11 without apostrophes, the texts tokens 1 to 5, the numbers
// tokens 7 to 10 read as decimal; \xNN in the name becomes the byte NN.
// The digest stays empty.
SectionRecord SectionRecordFromTokens(const std::vector<std::string_view>& tokens);

// One record per section line, in listing order. The heading lines and any
// line with fewer than twelve tokens are skipped.
std::vector<SectionRecord> ParseSectionListing(std::string_view listing);

}  // namespace vantrel
