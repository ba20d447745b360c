#pragma once

#include <string>
#include <utility>

namespace vantrel {

// The result of one step of a save: success, or the message that tells the
// user what stopped it.
class Outcome {
public:
    static Outcome Ok() { return Outcome(); }
    static Outcome Fail(std::string message) { return Outcome(std::move(message)); }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const std::string& message() const { return message_; }

private:
    Outcome() = default;
    explicit Outcome(std::string message) : ok_(false), message_(std::move(message)) {}

    bool ok_ = true;
    std::string message_;
};

}  // namespace vantrel
