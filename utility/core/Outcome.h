#pragma once

#include <optional>
#include <string>
#include <utility>

namespace vantrel {

// The result of a step of an operation: a value, or the message that tells
// the user what went wrong. The operation that called the step shows the
// message; the core never prints.
template <class T>
class Outcome {
public:
    Outcome(T value) : value_(std::move(value)) {}
    static Outcome Fail(std::string message)
    {
        Outcome outcome;
        outcome.message_ = std::move(message);
        return outcome;
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    T& value() { return *value_; }
    const T& value() const { return *value_; }
    const std::string& message() const { return message_; }

private:
    Outcome() = default;

    std::optional<T> value_;
    std::string message_;
};

// A message as one line: the line ends and blanks it ends with dropped.
inline std::string MessageLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The value of a step that only succeeds or fails.
struct Done {};
using Status = Outcome<Done>;

}  // namespace vantrel
