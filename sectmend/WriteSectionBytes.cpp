#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "FileAccess.h"
#include "filereplace/FileReplacement.h"
#include "SectionByteFiles.h"

namespace sectmend {

namespace {

using Sink = std::function<bool(const unsigned char*, std::size_t)>;

enum class StreamFault { None, Read, Write };

void ToText(const unsigned char* bytes, std::size_t size, unsigned char* text)
{
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < size; ++i) {
        text[2 * i] = static_cast<unsigned char>(digits[bytes[i] >> 4]);
        text[2 * i + 1] = static_cast<unsigned char>(digits[bytes[i] & 15]);
    }
}

// Reads the section block by block and hands each block, converted to text
// when asked, to sink.
StreamFault Stream(const SectionBytes& section, bool textForm, const Sink& sink)
{
    std::vector<unsigned char> block(StreamBlockFor(section.size));
    std::vector<unsigned char> text(textForm ? 2 * block.size() : 0);
    for (std::uint64_t done = 0; done < section.size;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), section.size - done));
        if (!readFullyAt(section.descriptor, section.offset + done, block.data(), count)) return StreamFault::Read;
        if (textForm) ToText(block.data(), count, text.data());
        if (!(textForm ? sink(text.data(), 2 * count) : sink(block.data(), count))) return StreamFault::Write;
        done += count;
    }
    return StreamFault::None;
}

void ReportReadFault(const SectionBytes& section)
{
    const std::string reason = errno != 0 ? std::strerror(errno) : "the file ends inside the section";
    std::fprintf(stderr, "ERROR: '%s' could not be read: %s.\n", section.imageName.c_str(), reason.c_str());
}

bool WriteToStandardOutput(const SectionBytes& section, bool textForm)
{
    const StreamFault fault = Stream(section, textForm, [](const unsigned char* bytes, std::size_t size) {
        return std::fwrite(bytes, 1, size, stdout) == size;
    });
    if (fault == StreamFault::Read) {
        ReportReadFault(section);
        return false;
    }
    if (fault == StreamFault::None && std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    std::fputs("ERROR: The section bytes could not be written to the standard output.\n", stderr);
    return false;
}

// Streams the section into the open file fd; false after its message.
bool StreamInto(const SectionBytes& section, bool textForm, int fd, const std::string& outputName)
{
    const StreamFault fault = Stream(section, textForm, [fd](const unsigned char* bytes, std::size_t size) {
        return writeFully(fd, bytes, size);
    });
    if (fault == StreamFault::Read) {
        ReportReadFault(section);
        return false;
    }
    if (fault == StreamFault::None) return true;
    std::fprintf(stderr, "ERROR: %s could not be written.\n", outputName.c_str());
    return false;
}

bool WriteToSpecialFile(const SectionBytes& section, bool textForm, const std::string& outputName)
{
    vantrel::UniqueFd fd(::open(outputName.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd.valid()) {
        std::fprintf(stderr, "ERROR: %s can not be opened for writing.\n", outputName.c_str());
        return false;
    }
    if (!StreamInto(section, textForm, fd.get(), outputName)) return false;
    if (fd.close()) return true;
    std::fprintf(stderr, "ERROR: %s could not be written.\n", outputName.c_str());
    return false;
}

}  // namespace

bool writeSectionBytes(const SectionBytes& section, bool textForm, const std::string& outputName)
{
    if (outputName.empty()) return WriteToStandardOutput(section, textForm);
    // Section bytes are a stream: a device or a FIFO named as the output
    // (/dev/null, /dev/stdout, a pipe) takes them as they come. Any other
    // output is replaced whole by the file rules of both programs.
    if (isSpecialFile(outputName)) return WriteToSpecialFile(section, textForm, outputName);
    vantrel::FileReplacement output(outputName, vantrel::FileMode::KeepTargetElse(vantrel::NewFileModeFromUmask()));
    if (const vantrel::ReplaceStatus begun = output.begin(); !begun) {
        std::fprintf(stderr, "ERROR: %s\n", begun.message().c_str());
        return false;
    }
    if (!StreamInto(section, textForm, output.descriptor(), outputName)) return false;
    const vantrel::ReplaceStatus committed = output.commit();
    if (committed) return true;
    std::fprintf(stderr, "ERROR: %s\n", committed.message().c_str());
    return false;
}

}  // namespace sectmend
