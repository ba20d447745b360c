#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// What the fuzz targets share: a private scratch folder for the inputs that
// the code under test reads by path, and property checks that stop the
// fuzzer with a message (an abort is a finding, like a sanitizer report).

namespace vantrel::fuzz {

// A folder of this process's own, made on first use and removed at exit.
const std::filesystem::path& ScratchFolder();

// Writes the bytes to the scratch folder's file of that name, replacing it;
// returns its path.
std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size);
std::string WriteScratchFile(const std::string& name, std::string_view text);

// The whole file; empty when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

[[noreturn]] void PropertyFailed(const char* condition, const char* file, int line);

}  // namespace vantrel::fuzz

// A property of the code under test that must hold for every input.
#define FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : ::vantrel::fuzz::PropertyFailed(#condition, __FILE__, __LINE__))
