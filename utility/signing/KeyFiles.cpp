#include "signing/KeyFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

#include "signing/BigNumberText.h"
#include "core/Files.h"
#include "core/Secret.h"

namespace vantrel {

namespace {

namespace fs = std::filesystem;

std::string FileProblem(const std::string& action, const std::string& name, int error)
{
    return "Problem - cannot " + action + " " + name + ": " + std::strerror(error);
}

std::span<const std::uint8_t> Bytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void RemoveQuietly(const Outcome<fs::path>& file)
{
    std::error_code ignored;
    if (file)
        fs::remove(file.value(), ignored);
}

std::string HexOrEmpty(const BIGNUM* number, bool& ok)
{
    std::string text = BigNumberHex(number);
    ok = ok && !text.empty();
    return text;
}

}  // namespace

Outcome<Done> WriteKeyFiles(const BIGNUM* x, const BIGNUM* y, const BIGNUM* d)
{
    bool ok = true;
    const std::string publicText = HexOrEmpty(x, ok) + " " + HexOrEmpty(y, ok) + "\n";
    std::string digits = HexOrEmpty(d, ok);
    SecretText privateText(digits + "\n");
    WipeString(digits);
    if (!ok)
        return Outcome<Done>::Fail("Problem - the key pair cannot be written out: " + OpenSslErrorText());

    // Both files are written in full under fresh names first, so a failure
    // leaves the earlier key pair as it was.
    const Outcome<fs::path> privateFile = WriteFileBeside(PrivateKeyFileName, Bytes(privateText.view()), 0600);
    const Outcome<fs::path> publicFile =
        privateFile ? WriteFileBeside(PublicKeyFileName, Bytes(publicText), 0644)
                    : Outcome<fs::path>::Fail(privateFile.message());
    Status written = publicFile ? ReplaceFileWith(privateFile.value(), PrivateKeyFileName)
                                : Status::Fail(publicFile.message());
    if (written)
        written = ReplaceFileWith(publicFile.value(), PublicKeyFileName);
    RemoveQuietly(privateFile);
    RemoveQuietly(publicFile);
    return written;
}

Outcome<BignumPtr> ReadPrivateKey()
{
    std::error_code error;
    if (!fs::exists(PrivateKeyFileName, error))
        return Outcome<BignumPtr>::Fail(
            "We use private key in file private.ecs,\nPlease check if you have this file in current directory.\n");
    std::ifstream in(PrivateKeyFileName);
    if (!in)
        return Outcome<BignumPtr>::Fail(FileProblem("read", PrivateKeyFileName, errno));
    BigNumberRead read = ReadBigNumber(in);
    switch (read.problem) {
    case TokenProblem::None:
        return std::move(read.value);
    case TokenProblem::TooLong:
    case TokenProblem::NotHexadecimal:
        return Outcome<BignumPtr>::Fail("Problem - private.ecs does not begin with a hexadecimal number");
    case TokenProblem::OutOfMemory:
        break;
    }
    return Outcome<BignumPtr>::Fail("Problem - private.ecs cannot be read: " + OpenSslErrorText());
}

Outcome<Done> WriteSignatureRecord(const BIGNUM* r, const BIGNUM* s)
{
    bool ok = true;
    const std::string text = HexOrEmpty(r, ok) + "\n" + HexOrEmpty(s, ok) + "\n";
    if (!ok)
        return Outcome<Done>::Fail("Problem - the signature cannot be written out: " + OpenSslErrorText());
    const Outcome<fs::path> file = WriteFileBeside(SignatureRecordFileName, Bytes(text), 0644);
    if (!file)
        return Outcome<Done>::Fail(file.message());
    Status written = ReplaceFileWith(file.value(), SignatureRecordFileName);
    RemoveQuietly(file);
    return written;
}

}  // namespace vantrel
