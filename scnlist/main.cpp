// scnlist -sh FILE: prints the section headers of a 32-bit ELF file.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "ListingText.h"
#include "SectionListing.h"

namespace {

int Report(const std::string& message)
{
    std::fprintf(stderr, "ERROR: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::strcmp(argv[1], "-sh") != 0)
        return Report("usage: scnlist -sh FILE");
    try {
        const std::string listing = scnlist::ListSections(argv[2]);
        if (std::fwrite(listing.data(), 1, listing.size(), stdout) != listing.size() || std::fflush(stdout) != 0)
            return Report("the listing of '" + scnlist::Escaped(argv[2], false) + "' could not be written");
        return 0;
    } catch (const scnlist::ListingError& error) {
        return Report(error.what());
    } catch (const std::exception& error) {
        return Report(std::string("'") + scnlist::Escaped(argv[2], false) + "' could not be listed: " + error.what());
    }
}
