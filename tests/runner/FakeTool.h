#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vantrel::testing {

// Writes an executable shell script named name into directory: "#!/bin/sh",
// then body. Tests use such scripts in place of the real tools to make them
// silent, slow, talkative or failing on purpose. Returns the script's path.
std::filesystem::path WriteFakeTool(const std::filesystem::path& directory, const std::string& name,
                                    const std::string& body);

// Sets the silence limit of captured runs (VANTREL_TOOL_TIMEOUT_MS, in
// milliseconds) for the object's lifetime, so a test stops a silent fake tool
// within a fraction of a second instead of the default ten.
class ScopedSilenceLimit {
public:
    explicit ScopedSilenceLimit(const std::string& value);
    ~ScopedSilenceLimit();
    ScopedSilenceLimit(const ScopedSilenceLimit&) = delete;
    ScopedSilenceLimit& operator=(const ScopedSilenceLimit&) = delete;

private:
    std::optional<std::string> previous_;
};

}  // namespace vantrel::testing
