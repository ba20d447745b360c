#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace scnlist {

// A file that cannot be listed; the text says which file and why.
class ListingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lists the 32-bit ELF file at path, handing each piece of text to emit as
// soon as it is ready (a reader sees output early, even for thousands of
// sections): seven heading lines, then one line per section header in index
// order with twelve blank-separated tokens: INDEX TYPE FLAGS ADDR OFFSET
// SIZE FLAGLETTERS LINK INFO ALIGN ENTSIZE 'NAME'. Throws ListingError for
// a file that cannot be opened, is not ELF, is an archive, is not 32-bit or
// has unreadable section headers (the heading may have been emitted then).
void ListSections(const std::string& path, const std::function<void(const std::string&)>& emit);

}  // namespace scnlist
