#include "signing/KeyFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
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

// What a TooLong token is, for the messages that refuse a key file.
std::string TooLongTokenText()
{
    return "more than " + std::to_string(MaxNumberTokenLength) + " characters without a blank";
}

std::string HexOrEmpty(const BIGNUM* number, bool& ok)
{
    std::string text = BigNumberHex(number);
    ok = ok && !text.empty();
    return text;
}

}  // namespace

std::string PublicKeyFileText(const BIGNUM* x, const BIGNUM* y)
{
    bool ok = true;
    std::string text = HexOrEmpty(x, ok) + " " + HexOrEmpty(y, ok) + "\n";
    return ok ? text : std::string();
}

Outcome<Done> WriteKeyFiles(const KeyFilePaths& paths, const BIGNUM* x, const BIGNUM* y, const BIGNUM* d)
{
    const std::string publicText = PublicKeyFileText(x, y);
    bool ok = !publicText.empty();
    std::string digits = HexOrEmpty(d, ok);
    SecretText privateText(digits + "\n");
    WipeString(digits);
    if (!ok)
        return Outcome<Done>::Fail("Problem - the key pair cannot be written out: " + OpenSslErrorText());

    // Both files are written in full under fresh names, and both targets
    // checked, before either is replaced: a failure leaves the earlier key
    // pair as it was.
    Outcome<PendingFile> privateFile = PendingFile::Write(paths.privateKey, Bytes(privateText.view()), 0600);
    if (!privateFile)
        return Status::Fail(privateFile.message());
    Outcome<PendingFile> publicFile = PendingFile::Write(paths.publicKey, Bytes(publicText), 0644);
    if (!publicFile)
        return Status::Fail(publicFile.message());
    for (const PendingFile* file : {&privateFile.value(), &publicFile.value()})
        if (Status replaceable = file->CheckTarget(); !replaceable)
            return replaceable;
    if (Status committed = privateFile.value().Commit(); !committed)
        return committed;
    return publicFile.value().Commit();
}

Outcome<BignumPtr> ReadPrivateKey(const std::string& path)
{
    std::error_code error;
    if (!fs::exists(path, error))
        return Outcome<BignumPtr>::Fail(
            "We use private key in file " + path +
            (path == PrivateKeyFileName ? ",\nPlease check if you have this file in current directory.\n"
                                        : ",\nPlease check that this file exists.\n"));
    std::ifstream in(path);
    if (!in)
        return Outcome<BignumPtr>::Fail(FileProblem("read", path, errno));
    BigNumberRead read = ReadBigNumber(in);
    switch (read.problem) {
    case TokenProblem::None:
        return std::move(read.value);
    case TokenProblem::TooLong:
        return Outcome<BignumPtr>::Fail("Problem - " + path + " begins with " + TooLongTokenText() +
                                        "; it cannot be a private key file");
    case TokenProblem::NotHexadecimal:
        return Outcome<BignumPtr>::Fail("Problem - " + path + " does not begin with a hexadecimal number");
    case TokenProblem::OutOfMemory:
        break;
    }
    return Outcome<BignumPtr>::Fail("Problem - " + path + " cannot be read: " + OpenSslErrorText());
}

Outcome<PublicKeyNumbers> ReadPublicKey(const std::string& path)
{
    using Result = Outcome<PublicKeyNumbers>;
    std::ifstream in(path);
    if (!in)
        return Result::Fail("cannot read the public key file " + path);
    PublicKeyNumbers numbers;
    for (BignumPtr* number : {&numbers.x, &numbers.y}) {
        BigNumberRead read = ReadBigNumber(in);
        if (read.problem == TokenProblem::TooLong)
            return Result::Fail("the public key file " + path + " holds " + TooLongTokenText() +
                                "; it cannot be a public key file");
        if (read.problem != TokenProblem::None || !read.value)
            return Result::Fail("the public key file " + path + " does not hold two hexadecimal numbers X Y");
        *number = std::move(read.value);
    }
    return numbers;
}

Outcome<std::string> KeepDatedCopy(const std::string& path)
{
    const fs::path original(path);
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string stem = original.stem().string() + "-" + stamp;
    fs::path copy;
    for (int n = 0; copy.empty() || fs::exists(copy); ++n)
        copy = original.parent_path() / (stem + (n == 0 ? "" : "-" + std::to_string(n)) + original.extension().string());
    Outcome<FileOwnership> copied = CopyFileContents(original, copy);
    if (!copied)
        return Outcome<std::string>::Fail(copied.message());
    return copy.string();
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
