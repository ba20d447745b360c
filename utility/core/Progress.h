#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

// Where a long operation reports what it is doing, one line at a time (the
// command line prints it, the dialog may ignore it). May be empty.
using Progress = std::function<void(const std::string& line)>;

inline void Report(const Progress& progress, const std::string& line)
{
    if (progress)
        progress(line);
}

// How far one step over a large section has come, reported on the step's
// own line as "STEP: DONE of TOTAL MiB", at most ten times a second and at
// its end, so the dialog can show it; sections under 4 MiB report no count.
class ByteProgress {
public:
    ByteProgress(const Progress& progress, std::string step, std::uint64_t total)
        : progress_(progress), step_(std::move(step)), total_(total)
    {
        Report(progress_, step_);
    }

    void Add(std::uint64_t bytes)
    {
        done_ += bytes;
        if (!progress_ || total_ < MinimumCounted)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (done_ < total_ && now - last_ < std::chrono::milliseconds(100))
            return;
        last_ = now;
        progress_(step_ + std::string(CountSeparator) + std::to_string(done_ >> 20) + " of " + std::to_string(total_ >> 20) +
                  " MiB");
    }

    // What a count line reports on: its step, the line without the count.
    static std::string_view StepOf(std::string_view line)
    {
        const std::size_t at = line.rfind(CountSeparator);
        const bool counted = at != std::string_view::npos && line.size() > 4 && line.substr(line.size() - 4) == " MiB";
        return counted ? line.substr(0, at) : line;
    }

    // The MiB done and in all of a count line; false for other lines.
    static bool CountOf(std::string_view line, std::uint64_t& doneMiB, std::uint64_t& totalMiB)
    {
        const std::string_view step = StepOf(line);
        if (step.size() == line.size())
            return false;
        std::string_view count = line.substr(step.size() + CountSeparator.size());
        doneMiB = totalMiB = 0;
        std::uint64_t* into = &doneMiB;
        for (std::size_t at = 0; at < count.size(); ++at) {
            const char c = count[at];
            if (c >= '0' && c <= '9')
                *into = *into * 10 + static_cast<std::uint64_t>(c - '0');
            else if (count.substr(at, 4) == " of ")
                into = &totalMiB, at += 3;
            else
                break;
        }
        return totalMiB > 0;
    }

private:
    static constexpr std::uint64_t MinimumCounted = 4u << 20;
    static constexpr std::string_view CountSeparator = ": ";

    const Progress& progress_;
    std::string step_;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::chrono::steady_clock::time_point last_{};
};

// Asked by a long operation between its steps, and by the tool runner while
// a tool works (ToolSession::SetCancelCheck): true stops it there, before
// anything is written, with CancelledMessage. May be empty; may be called on
// a worker thread.
using CancelCheck = std::function<bool()>;

inline bool IsCancelled(const CancelCheck& cancelled)
{
    return cancelled && cancelled();
}

inline constexpr const char* CancelledMessage = "Cancelled. Nothing was written.\n";

}  // namespace vantrel
