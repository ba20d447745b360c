#pragma once

#include <string>

namespace sectmend {

// What a command line asks for; all false or empty until the parser sets it.
struct CommandLineOptions {
    bool get = false;
    bool replace = false;
    bool text = false;
    bool version = false;
    std::string sectionName;
    std::string inputFile;
    std::string element;     // archive member name, without its parentheses
    std::string outputFile;
    std::string bitsFile;
};

}  // namespace sectmend
