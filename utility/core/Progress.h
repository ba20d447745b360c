#pragma once

#include <functional>
#include <string>

namespace vantrel {

// Where a long operation reports what it is doing, one line at a time (the
// command line prints it, the dialog may ignore it). May be empty.
using Progress = std::function<void(const std::string& line)>;

inline void Report(const Progress& progress, const std::string& line)
{
    if (progress)
        progress(line);
}

}  // namespace vantrel
