#pragma once

#include <memory>
#include <streambuf>

namespace vantrel::cli {

// The standard streams of a command-line run, set up before anything else
// and checked at its end, so that results that could not be written (a full
// disk, standard output closed) make the run a failure instead of a silent
// success.
class StandardStreams {
public:
    // A standard descriptor the caller left closed gets /dev/null, so no
    // file the command opens takes its number and receives its output;
    // standard output that was closed still fails every write (EBADF).
    // std::cout is watched from here on: the first write that fails is
    // noted with its reason.
    StandardStreams();
    ~StandardStreams();
    StandardStreams(const StandardStreams&) = delete;
    StandardStreams& operator=(const StandardStreams&) = delete;

    // Flushes standard output. A run that succeeded (status 0) but could not
    // write all of it reports "Cannot write to standard output: REASON" and
    // ends with status 1; a failed run keeps its status and its one message.
    int Finish(int status);

private:
    class WatchedBuffer;
    std::unique_ptr<WatchedBuffer> watched_;
    std::streambuf* original_ = nullptr;
};

}  // namespace vantrel::cli
