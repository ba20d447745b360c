#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ElfMaker.h"
#include "TestSupport.h"

namespace vantrel::testing {

// Runs <bin>/vantrel-utility with the arguments in the working directory,
// input on its standard input (where "--key-file -" reads the key).
ProgramResult Utility(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory,
                      const std::string& input = {});

// vantrel-utility run as a shell runs it, with a redirection of its own
// ("" for none, ">/dev/full", ">&-", "<FILE"), and killed after two minutes:
// a safety net only, so that a program reading without end fails the test
// instead of hanging it.
ProgramResult UtilityRedirected(const std::vector<std::string>& arguments,
                                const std::filesystem::path& workingDirectory, const std::string& redirection);

// An image with the message sections, a 48-byte digital_signature, a 256-byte
// AESData and the six sections the demonstration choices know, each at its
// own address with a size that is a multiple of 16.
ImageSpec ProtectableImage();

// A section's bytes as sectmend reads them.
Bytes SectionBytes(const std::filesystem::path& image, const std::string& name);
// Flips the bits of one byte of a section, through sectmend, in place.
void FlipSectionByte(const std::filesystem::path& image, const std::string& name, std::size_t offset);
// Replaces a section's bytes (exactly its size), through sectmend, in place.
void WriteSectionBytes(const std::filesystem::path& image, const std::string& name, const Bytes& bytes);

// The example firmware image built with arm-none-eabi-gcc, or "" when the
// cross compiler was not there at configure time.
std::string ArmFirmwarePath();

}  // namespace vantrel::testing
