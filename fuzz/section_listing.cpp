// The listing reader Load uses on scnlist's output: the fuzz input is a
// listing. The records it gives, printed again the way scnlist prints them
// (names escaped by scnlist's own escaping), read back as the same records;
// and the input taken as a section name survives scnlist's escaping and the
// reader's unescaping unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "ListingText.h"
#include "inventory/SectionListing.h"

namespace {

bool SameRecord(const vantrel::SectionRecord& a, const vantrel::SectionRecord& b)
{
    return a.name == b.name && a.typeText == b.typeText && a.flagsText == b.flagsText &&
           a.addressText == b.addressText && a.column4Text == b.column4Text && a.sizeText == b.sizeText &&
           a.column7 == b.column7 && a.column8 == b.column8 && a.column9 == b.column9 && a.column10 == b.column10;
}

std::string ListingLine(std::size_t index, const vantrel::SectionRecord& record)
{
    return std::to_string(index) + " " + record.typeText + " " + record.flagsText + " " + record.addressText + " " +
           record.column4Text + " " + record.sizeText + " WA " + std::to_string(record.column7) + " " +
           std::to_string(record.column8) + " " + std::to_string(record.column9) + " " +
           std::to_string(record.column10) + " '" + scnlist::Escaped(record.name, true) + "'\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::vector<vantrel::SectionRecord> records = vantrel::ParseSectionListing(input);
    std::string printed;
    for (std::size_t i = 0; i < vantrel::ListingHeadingLines; ++i)
        printed += "heading line\n";
    for (std::size_t i = 0; i < records.size(); ++i)
        printed += ListingLine(i, records[i]);
    const std::vector<vantrel::SectionRecord> again = vantrel::ParseSectionListing(printed);
    FUZZ_CHECK(again.size() == records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        FUZZ_CHECK(SameRecord(records[i], again[i]));

    const std::string name(input);
    const std::string token = "'" + scnlist::Escaped(name, true) + "'";
    FUZZ_CHECK(vantrel::ListingTokens(token).size() == 1);
    std::vector<std::string_view> tokens(vantrel::ListingTokenCount, "x");
    tokens[11] = token;
    FUZZ_CHECK(vantrel::SectionRecordFromTokens(tokens).name == name);
    return 0;
}
