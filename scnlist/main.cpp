// scnlist -sh FILE: prints the section headers of a 32-bit ELF file.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "ListingText.h"
#include "SectionListing.h"

namespace {

const char* const kUsage =
    "Usage: scnlist -sh FILE\n"
    "Prints the section headers of the 32-bit ELF file FILE: seven heading lines, then one\n"
    "line per section header with INDEX TYPE FLAGS ADDR OFFSET SIZE FLAGLETTERS LINK INFO\n"
    "ALIGN ENTSIZE 'NAME'. Errors are one ERROR line on standard error and status 1.\n";

int Report(const std::string& message)
{
    // What was listed before the error goes out first, so a reader of both
    // streams sees the error line last.
    std::fflush(stdout);
    std::fprintf(stderr, "ERROR: %s\n", message.c_str());
    return 1;
}

// Standard output is closed before the status is decided: a full disk, a
// closed descriptor or a failing pipe may show only there.
int Finish(const std::string& failure)
{
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (std::fclose(stdout) != 0 || !written) {
        std::fprintf(stderr, "ERROR: %s\n", failure.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return Finish("the usage text could not be written");
    }
    if (argc != 3 || std::strcmp(argv[1], "-sh") != 0)
        return Report("usage: scnlist -sh FILE");
    try {
        bool written = true;
        scnlist::ListSections(argv[2], [&written](const std::string& text) {
            written = written && std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
        });
        if (!written)
            return Report("the listing of '" + scnlist::Escaped(argv[2], false) + "' could not be written");
        return Finish("the listing of '" + scnlist::Escaped(argv[2], false) + "' could not be written");
    } catch (const scnlist::ListingError& error) {
        return Report(error.what());
    } catch (const std::exception& error) {
        return Report(std::string("'") + scnlist::Escaped(argv[2], false) + "' could not be listed: " + error.what());
    }
}
