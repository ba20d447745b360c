#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace sectmend {

struct StdioFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
// An open C stream, closed when released.
using StdioFile = std::unique_ptr<std::FILE, StdioFileCloser>;

// Removes an output file that a failed write left incomplete; files that are
// not regular (devices, pipes) are left alone.
void DiscardIncompleteFile(const std::string& name);

}  // namespace sectmend
