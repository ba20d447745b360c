#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// The two texts Load takes from the tools through the captured runner.

struct ListingCapture {
    enum class Outcome {
        Complete,    // read to the end of the output; the tool ended with status 0
        NotStarted,  // the listing tool could not be started
        TimedOut,    // the tool was silent for a whole poll
        ToolFailed,  // the tool ended with another status; text holds what it said
    };
    Outcome outcome = Outcome::NotStarted;
    std::string text;
};

// Runs scnlist -sh image and reads its output to the end.
ListingCapture CaptureListing(const std::string& toolDirectory, const std::string& image);

struct SectionTextCapture {
    enum class Outcome {
        Complete,    // exactly the expected number of hexadecimal digits
        NotStarted,  // the section tool could not be started
        TimedOut,    // the tool was silent for a whole poll
        ReadFailed,  // the output ended (or a read failed) before all digits came
        TooMuch,     // a read carried the text past the expected length
        ToolFailed,  // the tool ended with another status than 0
        NotHex,      // the text holds something other than hexadecimal digits
    };
    Outcome outcome = Outcome::NotStarted;
    std::string text;  // the expected length of digits when Complete
};

// Runs sectmend -get name -text image and reads expectedLength characters:
// polls for up to that many at a time (the whole length each time), until
// the running total reaches it; text still in the pipe after that is dropped.
SectionTextCapture CaptureSectionText(const std::string& toolDirectory, const std::string& name,
                                      const std::string& image, std::uint64_t expectedLength);

}  // namespace vantrel
