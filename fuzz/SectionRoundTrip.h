#pragma once

#include <string>
#include <vector>

namespace vantrel::fuzz {

// Runs the section tool in this process on imageFile (the file in the scratch
// folder; imageArgument is how the command line names it, with "(member)"
// for an archive) and checks, for each section name that -get accepts, that:
//  - putting back the bytes -get handed out (-bits, and -text) gives a copy
//    byte-identical to the image;
//  - putting back the bytes inverted changes exactly one run of that many
//    bytes, which held the bytes -get handed out: -get returns the file's own
//    bytes and -replace writes nowhere else;
//  - a replace that fails leaves no output file behind.
void CheckSectionRoundTrips(const std::string& imageArgument, const std::string& imageFile,
                            const std::vector<std::string>& sectionNames);

}  // namespace vantrel::fuzz
