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

// Asked by a long operation between its steps: true stops it there, before
// anything is written, with CancelledMessage. May be empty.
using CancelCheck = std::function<bool()>;

inline bool IsCancelled(const CancelCheck& cancelled)
{
    return cancelled && cancelled();
}

inline constexpr const char* CancelledMessage = "Cancelled. Nothing was written.\n";

}  // namespace vantrel
