#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "SectionByteFiles.h"
#include "StdioFile.h"

namespace sectmend {

namespace {

constexpr std::size_t kTextChunk = 32768;  // bytes converted per write

bool WriteText(std::FILE* out, const unsigned char* bytes, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t start = 0; start < size; start += kTextChunk) {
        const std::size_t end = std::min(size, start + kTextChunk);
        text.clear();
        for (std::size_t i = start; i < end; ++i) {
            text += digits[bytes[i] >> 4];
            text += digits[bytes[i] & 15];
        }
        if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) return false;
    }
    return true;
}

bool WriteBytes(std::FILE* out, const Elf_Data* dataBlock, bool textForm)
{
    const auto* bytes = static_cast<const unsigned char*>(dataBlock->d_buf);
    const std::size_t size = dataBlock->d_size;
    if (size == 0) return true;
    if (textForm) return WriteText(out, bytes, size);
    return std::fwrite(bytes, 1, size, out) == size;
}

}  // namespace

bool writeSectionBytes(const Elf_Data* dataBlock, bool textForm, const std::string& outputName)
{
    if (dataBlock == nullptr) return true;
    if (outputName.empty()) {
        if (WriteBytes(stdout, dataBlock, textForm) && std::fflush(stdout) == 0) return true;
        std::fputs("ERROR: The section bytes could not be written to the standard output.\n", stderr);
        return false;
    }
    StdioFile file(std::fopen(outputName.c_str(), "wb"));
    if (!file) {
        std::fprintf(stderr, "ERROR: %s can not be opened for writing.\n", outputName.c_str());
        return false;
    }
    const bool written = WriteBytes(file.get(), dataBlock, textForm);
    if (written && std::fclose(file.release()) == 0) return true;
    file.reset();
    DiscardIncompleteFile(outputName);
    std::fprintf(stderr, "ERROR: %s could not be written.\n", outputName.c_str());
    return false;
}

}  // namespace sectmend
