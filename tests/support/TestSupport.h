#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vantrel::testing {

using Bytes = std::vector<std::uint8_t>;

// The build's directory of programs: sectmend, scnlist, vantrel-utility and
// the curve file side by side.
std::filesystem::path ToolsDir();

// A fresh directory under the system's temporary folder, removed with all it
// holds when the object goes. The working directory is not changed.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Changes the working directory for the object's lifetime.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::filesystem::path& directory);
    ~ScopedWorkingDirectory();
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// A small file system of its own (tmpfs) of the given size, mounted at where
// (created) for the object's lifetime. Mounting needs privileges: check
// mounted() and skip without them.
class SmallFileSystem {
public:
    SmallFileSystem(const std::filesystem::path& where, std::size_t bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::filesystem::path where_;
    bool mounted_ = false;
};

// What a finished program left behind.
struct ProgramResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
    long peakResidentKiB = 0;  // the program's largest resident set
};

// Runs a program (argv[0] is its path) with the given standard input, in the
// given working directory (empty: the current one), and collects its output.
ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& input = {},
                         const std::filesystem::path& workingDirectory = {});

Bytes ReadFileBytes(const std::filesystem::path& path);
std::string ReadFileText(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes);
void WriteFileText(const std::filesystem::path& path, const std::string& text);
// The names of all a folder holds, hidden ones too, sorted.
std::vector<std::string> FileNamesIn(const std::filesystem::path& folder);

// n bytes of a recognisable pattern that differs with the seed.
Bytes PatternBytes(std::size_t n, std::uint8_t seed);
// Two lowercase hex digits per byte, no separators.
std::string HexText(const Bytes& bytes);

}  // namespace vantrel::testing
