// The AES key text readers: the fuzz input is a key file. The key read from
// it is the file's text without the white space around it; every key text
// gives a key of the asked length; and a text of exactly the length's digits
// gives the key those digits spell, whatever their case.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "cli/KeyInput.h"
#include "core/HexText.h"
#include "encryption/AesKeyText.h"

namespace {

std::string Uppercase(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return upper;
}

void CheckKeyFromText(std::string_view text)
{
    const bool hex = vantrel::IsHexKeyText(text);
    for (int length : {16, 24, 32}) {
        const vantrel::SecretBytes key = vantrel::AesKeyFromText(text, length);
        FUZZ_CHECK(key.size() == static_cast<std::size_t>(length));
        if (hex && text.size() == 2 * static_cast<std::size_t>(length))
            FUZZ_CHECK(Uppercase(vantrel::BytesToHex(key)) == Uppercase(text));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckKeyFromText(input);

    vantrel::cli::KeyInputOptions options;
    options.keyFile = vantrel::fuzz::WriteScratchFile("key.txt", data, size);
    vantrel::Outcome<vantrel::cli::KeyInput> key = vantrel::cli::ReadKey(options);
    if (!key.ok())
        return 0;
    const std::string_view text = key.value().text.view();
    FUZZ_CHECK(input.find(text) != std::string_view::npos);
    if (!text.empty()) {
        FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(text.front())));
        FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(text.back())));
    }
    CheckKeyFromText(text);
    const vantrel::Status digits = vantrel::cli::CheckKeyDigits(key.value(), {32, 48, 64}, "the fuzz target");
    FUZZ_CHECK(digits.ok() == (vantrel::IsHexKeyText(text) && (text.size() == 32 || text.size() == 48 ||
                                                             text.size() == 64)));
    return 0;
}
