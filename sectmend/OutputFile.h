#pragma once

#include <string>

#include "core/UniqueFd.h"

namespace sectmend {

// An output file that is either complete or not there: it is written under a
// fresh name beside its target and renamed over the target only by commit(),
// so a failure, a kill or a full disk leaves the target as it was. An
// uncommitted working file is removed. A target that exists and is not a
// regular file (a device, a FIFO) cannot be renamed over; it is written
// directly.
class OutputFile {
public:
    explicit OutputFile(std::string target);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the working file (or opens the special target). False with
    // errno set.
    bool open();
    int descriptor() const { return fd_.get(); }
    // Flushes the working file to disk, gives it the target's permissions
    // (those of a newly created file when there is no target yet) and puts it
    // in the target's place. False with errno set; nothing is replaced then.
    bool commit();

private:
    bool install();

    std::string target_;   // the final name, with symbolic links resolved
    std::string working_;  // the working file's name; empty when written directly
    vantrel::UniqueFd fd_;
};

}  // namespace sectmend
