#include "cli/JsonOutput.h"

#include <iostream>

namespace vantrel::cli {

void PrintJson(const nlohmann::ordered_json& document)
{
    std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

}  // namespace vantrel::cli
