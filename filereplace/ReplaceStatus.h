#pragma once

#include <string>
#include <utility>

namespace vantrel {

// The outcome of a file step: success, or one sentence for the user that
// names the file (no "ERROR: " and no line end: each program words its
// messages its own way).
class ReplaceStatus {
public:
    static ReplaceStatus Ok() { return ReplaceStatus(); }
    static ReplaceStatus Fail(std::string message) { return ReplaceStatus(std::move(message)); }
    explicit operator bool() const { return message_.empty(); }
    const std::string& message() const { return message_; }

private:
    ReplaceStatus() = default;
    explicit ReplaceStatus(std::string message) : message_(std::move(message)) {}
    std::string message_;
};

}  // namespace vantrel
