// bootcheck-elf: runs the boot check on the sections of an ELF image, as a
// target would run it on its memory. For tests and for trying the check out
// on the host.
//   bootcheck-elf IMAGE PUBLIC_KEY_C AES_KEY_HEX [ORIGINAL]
// PUBLIC_KEY_C is what `vantrel-utility keys export --format c` writes. With
// ORIGINAL (the unprotected image), every section the check decrypted must
// equal the original's section of the same name.
// Exit status: the check's result code (0: passed); 10 for a usage or input
// problem, 11 when a decrypted section differs from the original.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ElfImage.h"

namespace {

using bootcheck_host::ElfImage;

constexpr int UsageStatus = 10;
constexpr int MismatchStatus = 11;

bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return static_cast<bool>(in) || in.eof();
}

bool HexBytes(const std::string& hex, std::vector<std::uint8_t>& bytes)
{
    if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return true;
}

// The sections whose bytes the check changed (decrypted in place), each
// compared with the original's section of the same name.
int CompareDecrypted(const ElfImage& before, const ElfImage& after, const std::string& originalPath)
{
    std::string error;
    auto original = ElfImage::Read(originalPath, error);
    if (!original) {
        std::fprintf(stderr, "ERROR: %s: %s\n", originalPath.c_str(), error.c_str());
        return UsageStatus;
    }
    for (std::size_t i = 0; i < after.sections.size(); ++i) {
        if (after.sections[i].bytes == before.sections[i].bytes)
            continue;
        const bootcheck_host::ElfSection* plain = original->Find(after.sections[i].name);
        if (!plain || plain->bytes != after.sections[i].bytes) {
            std::printf("section %s does not decrypt to the original's bytes\n", after.sections[i].name.c_str());
            return MismatchStatus;
        }
        std::printf("section %s decrypts to the original's bytes\n", after.sections[i].name.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: bootcheck-elf IMAGE PUBLIC_KEY_C AES_KEY_HEX [ORIGINAL]\n");
        return UsageStatus;
    }
    std::string error, keyText;
    auto image = ElfImage::Read(argv[1], error);
    std::vector<std::uint8_t> aesKey;
    if (!image) {
        std::fprintf(stderr, "ERROR: %s: %s\n", argv[1], error.c_str());
        return UsageStatus;
    }
    const auto publicKey = ReadText(argv[2], keyText) ? bootcheck_host::ParseKeyArray(keyText) : std::nullopt;
    if (!publicKey || publicKey->size() != BOOTCHECK_PUBLIC_KEY_SIZE || !HexBytes(argv[3], aesKey)) {
        std::fprintf(stderr, "ERROR: a public key C array of %u bytes and an AES key in hex are needed\n",
                     BOOTCHECK_PUBLIC_KEY_SIZE);
        return UsageStatus;
    }
    const ElfImage before = *image;
    const bootcheck_image view = image->View();
    const bootcheck_keys keys{publicKey->data(), aesKey.data(), static_cast<std::uint32_t>(aesKey.size())};
    bootcheck_report report{};
    if (bootcheck_run(&view, &keys, &report) != BOOTCHECK_PASSED) {
        std::printf("boot check failed: %s", bootcheck_result_name(report.result));
        if (report.result == BOOTCHECK_ENTRY || report.result == BOOTCHECK_SECTION_DIGEST)
            std::printf(" (entry %u)", static_cast<unsigned>(report.failed_entry));
        std::printf("\n");
        return report.result;
    }
    std::printf("boot check passed: signature, AESData record, %u section digests, %u sections decrypted\n",
                static_cast<unsigned>(report.hashed), static_cast<unsigned>(report.decrypted));
    return argc == 5 ? CompareDecrypted(before, *image, argv[4]) : 0;
}
