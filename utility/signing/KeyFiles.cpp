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
#include "signing/KeyPairJournal.h"
#include "core/Files.h"
#include "core/Secret.h"
#include "filereplace/UniqueFd.h"

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

// A key file ends with its numbers: anything after them (a second key
// pasted in, a file that is not a key file) is refused, not ignored.
bool OnlyBlanksFollow(std::istream& in)
{
    in >> std::ws;
    return in.peek() == std::char_traits<char>::eof();
}

// A private key that others can read may already be theirs.
Status CheckOwnerOnly(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && (status.st_mode & (S_IRGRP | S_IROTH)) != 0)
        return Status::Fail("Problem - " + path + " is readable by others than its owner, and a private key must "
                            "not be; make it the owner's only with: chmod 600 " + path);
    return Done{};
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

    // Both targets are checked before anything is written; the replacement
    // itself is one journalled step, whole or not at all.
    for (const std::string& target : {paths.privateKey, paths.publicKey})
        if (Status replaceable = CheckReplaceableFile(target); !replaceable)
            return replaceable;
    return ReplaceKeyPair(paths, Bytes(privateText.view()), Bytes(publicText));
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
        if (!OnlyBlanksFollow(in))
            return Outcome<BignumPtr>::Fail("Problem - " + path + " holds something after its number; it cannot "
                                            "be a private key file");
        if (Status owned = CheckOwnerOnly(path); !owned)
            return Outcome<BignumPtr>::Fail(owned.message());
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
    if (!OnlyBlanksFollow(in))
        return Result::Fail("the public key file " + path + " holds something after its two numbers X Y; it "
                            "cannot be a public key file");
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
    // On disk, file and name, before the file it keeps is replaced.
    UniqueFd written(open(copy.c_str(), O_RDONLY | O_CLOEXEC));
    const fs::path folder = copy.has_parent_path() ? copy.parent_path() : fs::path(".");
    UniqueFd directory(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!written.valid() || fsync(written.get()) != 0 || !directory.valid() || fsync(directory.get()) != 0)
        return Outcome<std::string>::Fail(FileProblem("write", copy.string(), errno));
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
