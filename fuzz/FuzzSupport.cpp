#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

// The sanitizers' summary line: it reaches libFuzzer's log even when the
// target's standard streams are closed off (-close_fd_mask). Absent from a
// build without sanitizers.
extern "C" void __sanitizer_report_error_summary(const char* summary) __attribute__((weak));

namespace vantrel::fuzz {

namespace {

// Removes the scratch folder when the fuzzer ends normally.
class Scratch {
public:
    Scratch()
    {
        // In memory where the machine has it: the tools flush every file
        // they write, which on a disk costs more than the run itself.
        const char* base = std::getenv("VANTREL_FUZZ_SCRATCH");
        if (base == nullptr || *base == '\0')
            base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/vantrelfuzzXXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("vantrel fuzz: cannot make a scratch folder");
            std::abort();
        }
        path_ = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

const std::filesystem::path& ScratchFolder()
{
    static const Scratch scratch;
    return scratch.path();
}

std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::string path = (ScratchFolder() / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    // Owner-only, as a private key file must be to be read at all.
    std::error_code error;
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 error);
    if (!out || error) {
        std::fprintf(stderr, "vantrel fuzz: cannot write %s\n", path.c_str());
        std::abort();
    }
    return path;
}

std::string WriteScratchFile(const std::string& name, std::string_view text)
{
    return WriteScratchFile(name, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PropertyFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "PROPERTY FAILED: %s (%s:%d)\n", condition, file, line);
    if (__sanitizer_report_error_summary != nullptr) {
        const std::string summary =
            std::string("property failed: ") + condition + " (" + file + ":" + std::to_string(line) + ")";
        __sanitizer_report_error_summary(summary.c_str());
    }
    std::abort();
}

}  // namespace vantrel::fuzz
