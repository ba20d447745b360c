#include "SectionRoundTrip.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "Driver.h"
#include "FuzzSupport.h"

namespace vantrel::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

int RunSectmend(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "sectmend");
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return sectmend::RunSectmend(static_cast<int>(arguments.size()), argv.data());
}

std::string ScratchPath(const char* name)
{
    const std::filesystem::path path = ScratchFolder() / name;
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return path.string();
}

bool Exists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

// The replace of one section from a bits file into a fresh output; the
// output's bytes, or nothing when the replace failed (and then no output
// may be left).
bool ReplaceInto(const std::string& name, const std::string& imageArgument, const std::string& bitsFile,
                 bool text, Bytes& output)
{
    const std::string out = ScratchPath("replaced.out");
    std::vector<std::string> arguments{"-replace", name, "-o", out, "-bits", bitsFile};
    if (text)
        arguments.push_back("-text");
    arguments.push_back(imageArgument);
    if (RunSectmend(arguments) != 0) {
        FUZZ_CHECK(!Exists(out));
        return false;
    }
    output = ReadWholeFile(out);
    return true;
}

void CheckOneSection(const std::string& name, const std::string& imageArgument, const Bytes& image)
{
    const std::string got = ScratchPath("got.bin");
    if (RunSectmend({"-get", name, "-o", got, imageArgument}) != 0)
        return;
    const Bytes bytes = ReadWholeFile(got);
    Bytes output;
    if (bytes.empty()) {
        // An empty section cannot be replaced; the failure leaves nothing.
        FUZZ_CHECK(!ReplaceInto(name, imageArgument, got, false, output));
        return;
    }
    FUZZ_CHECK(ReplaceInto(name, imageArgument, got, false, output));
    FUZZ_CHECK(output == image);

    const std::string gotText = ScratchPath("got.txt");
    FUZZ_CHECK(RunSectmend({"-get", name, "-o", gotText, "-text", imageArgument}) == 0);
    FUZZ_CHECK(ReplaceInto(name, imageArgument, gotText, true, output));
    FUZZ_CHECK(output == image);

    Bytes inverted = bytes;
    for (std::uint8_t& byte : inverted)
        byte = static_cast<std::uint8_t>(~byte);
    const std::string invertedFile = WriteScratchFile("inverted.bin", inverted.data(), inverted.size());
    FUZZ_CHECK(ReplaceInto(name, imageArgument, invertedFile, false, output));
    FUZZ_CHECK(output.size() == image.size());
    std::size_t first = 0;
    while (first < image.size() && output[first] == image[first])
        ++first;
    FUZZ_CHECK(first + bytes.size() <= image.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        FUZZ_CHECK(image[first + i] == bytes[i]);
        FUZZ_CHECK(output[first + i] == inverted[i]);
    }
    for (std::size_t i = first + bytes.size(); i < image.size(); ++i)
        FUZZ_CHECK(output[i] == image[i]);
}

}  // namespace

void CheckSectionRoundTrips(const std::string& imageArgument, const std::string& imageFile,
                            const std::vector<std::string>& sectionNames)
{
    const Bytes image = ReadWholeFile(imageFile);
    for (const std::string& name : sectionNames)
        CheckOneSection(name, imageArgument, image);
    // The checks never change the image itself.
    FUZZ_CHECK(ReadWholeFile(imageFile) == image);
}

}  // namespace vantrel::fuzz
