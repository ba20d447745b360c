#include "signing/SignatureFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "signing/KeyFiles.h"
#include "signing/SignatureText.h"

namespace vantrel {

namespace {

constexpr std::size_t SignatureTextLength = 4 * SignatureValueBytes;

Outcome<Done> WriteFile(const char* name, const std::string& text)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        return Outcome<Done>::Fail(std::string("Problem - cannot write ") + name + ": " + std::strerror(errno));
    return Done{};
}

// The first characters of a file, exactly count of them.
Outcome<std::string> ReadFilePrefix(const char* name, std::size_t count)
{
    std::ifstream in(name, std::ios::binary);
    std::string text(count, '\0');
    in.read(text.data(), static_cast<std::streamsize>(count));
    if (static_cast<std::size_t>(in.gcount()) != count)
        return Outcome<std::string>::Fail(std::string("Problem - cannot read the signature back from ") + name);
    return text;
}

}  // namespace

Outcome<Done> WriteSignatureFiles(const BIGNUM* r, const BIGNUM* s)
{
    const std::string text = SignatureText(r, s);
    if (text.size() != SignatureTextLength)
        return Outcome<Done>::Fail("Problem - the signature does not fit the 24 bytes each of r and s");
    Outcome<Done> written = WriteSignatureRecord(r, s);
    if (!written.ok())
        return written;

    for (const char* stale : {"signature.bf", "tmp.bf"}) {
        std::error_code ignored;
        std::filesystem::remove(stale, ignored);
    }
    written = WriteFile("signature.bf", text);
    if (!written.ok())
        return written;
    Outcome<std::string> readBack = ReadFilePrefix("signature.bf", SignatureTextLength);
    if (!readBack.ok())
        return Outcome<Done>::Fail(readBack.message());
    return WriteFile("tmp.bf", readBack.value());
}

}  // namespace vantrel
