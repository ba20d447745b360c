#include "ReadelfSections.h"

#include <sstream>

#include "TestSupport.h"

namespace vantrel::testing {

namespace {

bool IsEntrySizeColumn(const std::string& token)
{
    return token.size() == 2 && token.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// "  [ 1] name  TYPE  ADDR OFF SIZE ES FLG LK INF AL" with the name and the
// flags possibly empty; read from the right, where every column is present.
ReadelfSection ParseLine(const std::string& line)
{
    const std::size_t open = line.find('[');
    const std::size_t close = line.find(']');
    ReadelfSection section;
    section.index = static_cast<unsigned>(std::stoul(line.substr(open + 1, close - open - 1)));
    std::istringstream words(line.substr(close + 1));
    std::vector<std::string> tokens;
    for (std::string word; words >> word;)
        tokens.push_back(word);
    std::size_t at = tokens.size() - 3;  // before Lk Inf Al
    if (!IsEntrySizeColumn(tokens[at - 1]))
        section.flags = tokens[--at];
    --at;  // ES
    section.size = tokens[--at];
    section.offset = tokens[--at];
    section.address = tokens[--at];
    section.type = tokens[--at];
    for (std::size_t i = 0; i < at; ++i)
        section.name += (i > 0 ? " " : "") + tokens[i];
    return section;
}

}  // namespace

std::vector<ReadelfSection> ReadelfSectionHeaders(const std::filesystem::path& image)
{
    const ProgramResult result = RunProgram({"/usr/bin/readelf", "-S", "-W", image.string()});
    std::vector<ReadelfSection> sections;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("  [", 0) == 0 && line.find("[Nr]") == std::string::npos)
            sections.push_back(ParseLine(line));
    return sections;
}

}  // namespace vantrel::testing
