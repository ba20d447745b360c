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

    // Both files are written in full under fresh names, and both targets
    // checked, before either is replaced: a failure leaves the earlier key
    // pair as it was.
    Outcome<PendingFile> privateFile = PendingFile::Write(PrivateKeyFileName, Bytes(privateText.view()), 0600);
    if (!privateFile)
        return Status::Fail(privateFile.message());
    Outcome<PendingFile> publicFile = PendingFile::Write(PublicKeyFileName, Bytes(publicText), 0644);
    if (!publicFile)
        return Status::Fail(publicFile.message());
    for (const PendingFile* file : {&privateFile.value(), &publicFile.value()})
        if (Status replaceable = file->CheckTarget(); !replaceable)
            return replaceable;
    if (Status committed = privateFile.value().Commit(); !committed)
        return committed;
    return publicFile.value().Commit();
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

Outcome<PendingFile> PrepareSignatureRecord(const BIGNUM* r, const BIGNUM* s)
{
    bool ok = true;
    const std::string text = HexOrEmpty(r, ok) + "\n" + HexOrEmpty(s, ok) + "\n";
    if (!ok)
        return Outcome<PendingFile>::Fail("Problem - the signature cannot be written out: " + OpenSslErrorText());
    Outcome<PendingFile> file = PendingFile::Write(SignatureRecordFileName, Bytes(text), 0644);
    if (file)
        if (Status replaceable = file.value().CheckTarget(); !replaceable)
            return Outcome<PendingFile>::Fail(replaceable.message());
    return file;
}

}  // namespace vantrel
