#include "CliTestSupport.h"

#include <stdexcept>

namespace vantrel::testing {

namespace fs = std::filesystem;

ProgramResult Utility(const std::vector<std::string>& arguments, const fs::path& workingDirectory,
                      const std::string& input)
{
    std::vector<std::string> argv{(ToolsDir() / "vantrel-utility").string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv, input, workingDirectory);
}

ProgramResult UtilityRedirected(const std::vector<std::string>& arguments, const fs::path& workingDirectory,
                                const std::string& redirection)
{
    std::vector<std::string> argv{"/bin/sh", "-c", "exec timeout -s KILL 120 \"$@\" " + redirection, "sh",
                                  (ToolsDir() / "vantrel-utility").string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv, {}, workingDirectory);
}

ImageSpec ProtectableImage()
{
    ImageSpec spec;
    spec.sections = {
        {"msg_code", PatternBytes(64, 1), 1, 2, 0x08000100},
        {"msg_data", PatternBytes(64, 2), 1, 2, 0x08000140},
        {"digital_signature", Bytes(48, 0), 1, 2, 0x08000180},
        {"AESData", Bytes(256, 0), 1, 2, 0x080001c0},
        {"L1_Code_Hash", PatternBytes(32, 3), 1, 6, 0x08000400},
        {"L1_Code_Encrypt", PatternBytes(48, 4), 1, 6, 0x08000420},
        {"L2_Hash", PatternBytes(64, 5), 1, 2, 0x08000450},
        {"L2_Encrypt", PatternBytes(16, 6), 1, 6, 0x08000490},
        {"ShareFunctionSection1", PatternBytes(32, 7), 1, 6, 0x080004a0},
        {"ShareFunctionSection2", PatternBytes(16, 8), 1, 6, 0x080004c0},
    };
    return spec;
}

Bytes SectionBytes(const fs::path& image, const std::string& name)
{
    TempDir scratch;
    const auto result = RunProgram({(ToolsDir() / "sectmend").string(), "-get", name, "-o",
                                    (scratch / "section.bin").string(), image.string()});
    if (result.status != 0)
        throw std::runtime_error("sectmend -get " + name + " failed: " + result.err);
    return ReadFileBytes(scratch / "section.bin");
}

void FlipSectionByte(const fs::path& image, const std::string& name, std::size_t offset)
{
    Bytes bytes = SectionBytes(image, name);
    bytes.at(offset) ^= 0xFF;
    WriteSectionBytes(image, name, bytes);
}

void WriteSectionBytes(const fs::path& image, const std::string& name, const Bytes& bytes)
{
    TempDir scratch;
    WriteFileBytes(scratch / "section.bin", bytes);
    const auto result = RunProgram({(ToolsDir() / "sectmend").string(), "-replace", name, "-bits",
                                    (scratch / "section.bin").string(), image.string()});
    if (result.status != 0)
        throw std::runtime_error("sectmend -replace " + name + " failed: " + result.err);
}

std::string ArmFirmwarePath()
{
#ifdef VANTREL_ARM_FIRMWARE
    return VANTREL_ARM_FIRMWARE;
#else
    return {};
#endif
}

}  // namespace vantrel::testing
