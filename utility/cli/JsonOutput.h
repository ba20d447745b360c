#pragma once

#include <nlohmann/json.hpp>

namespace vantrel::cli {

// Prints a command's JSON result on standard output. Names and paths that
// are not UTF-8 get U+FFFD: the output stays JSON.
void PrintJson(const nlohmann::ordered_json& document);

}  // namespace vantrel::cli
