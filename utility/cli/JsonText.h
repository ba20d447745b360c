#pragma once

#include <string>

namespace vantrel::cli {

// text as a JSON string literal, quotes included: quote, backslash and
// control characters escaped; bytes that are not valid UTF-8 become U+FFFD,
// so the output is always valid JSON whatever a path or name holds.
std::string JsonString(const std::string& text);

}  // namespace vantrel::cli
