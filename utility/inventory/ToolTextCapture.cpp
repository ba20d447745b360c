#include "inventory/ToolTextCapture.h"

#include <algorithm>

#include "runner/ToolRunner.h"

namespace vantrel {

namespace {

// Reads of the listing go in steps of this size; the text grows as needed.
constexpr std::size_t ListingReadStep = 64 * 1024;
// A single read never asks for more than this, however large the section;
// the pipe delivers far less at a time anyway.
constexpr std::uint64_t SectionReadLimit = 1024 * 1024;

// The open capture of one tool run; closed on every path out.
class Capture {
public:
    explicit Capture(const ToolArguments& commandLine) : handle_(OpenToolPipe(commandLine)) {}
    ~Capture() { close(); }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    bool started() const { return handle_ >= 0; }

    // Appends one poll's worth (at most maximum bytes) to text.
    long pollInto(std::string& text, std::size_t maximum)
    {
        const std::size_t before = text.size();
        text.resize(before + maximum);
        const long count = PollToolPipe(handle_, text.data() + before, maximum);
        text.resize(before + static_cast<std::size_t>(std::max(count, 0L)));
        return count;
    }

    // Closes the pipe, reaps the tool and returns its exit status.
    int close()
    {
        if (handle_ < 0)
            return LastCaptureExitStatus();
        handle_ = -1;
        CloseToolPipe();
        return LastCaptureExitStatus();
    }

private:
    int handle_;
};

bool IsHexDigits(const std::string& text)
{
    return text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

}  // namespace

ListingCapture CaptureListing(const std::string& toolDirectory, const std::string& image)
{
    using Outcome = ListingCapture::Outcome;
    ListingCapture result;
    Capture capture({ToolPath(toolDirectory, "scnlist"), "-sh", image});
    if (!capture.started())
        return result;
    // Read to the end of the output: a short read only means the tool has
    // not written the rest yet.
    for (;;) {
        const long count = capture.pollInto(result.text, ListingReadStep);
        if (count == PollTimedOut) {
            result.outcome = Outcome::TimedOut;
            return result;
        }
        if (count == 0)
            break;
    }
    result.outcome = capture.close() == 0 ? Outcome::Complete : Outcome::ToolFailed;
    return result;
}

SectionTextCapture CaptureSectionText(const std::string& toolDirectory, const std::string& name,
                                      const std::string& image, std::uint64_t expectedLength)
{
    using Outcome = SectionTextCapture::Outcome;
    SectionTextCapture result;
    Capture capture({ToolPath(toolDirectory, "sectmend"), "-get", name, "-text", image});
    if (!capture.started())
        return result;
    const auto step = static_cast<std::size_t>(std::min(expectedLength, SectionReadLimit));
    for (;;) {
        const long count = capture.pollInto(result.text, step);
        if (count == PollTimedOut) {
            result.outcome = Outcome::TimedOut;
            return result;
        }
        if (count == 0) {
            result.outcome = Outcome::ReadFailed;
            return result;
        }
        if (result.text.size() > expectedLength) {
            result.outcome = Outcome::TooMuch;
            return result;
        }
        if (result.text.size() == expectedLength)
            break;
    }
    if (capture.close() != 0)
        result.outcome = Outcome::ToolFailed;
    else if (!IsHexDigits(result.text))
        result.outcome = Outcome::NotHex;
    else
        result.outcome = Outcome::Complete;
    return result;
}

}  // namespace vantrel
