#include "signing/KeyFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "signing/BigNumberText.h"
#include "signing/SecretBytes.h"

namespace vantrel {

namespace {

namespace fs = std::filesystem;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    // Closes now, so that an error of the last write shows.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string TemporaryName(const char* name)
{
    return std::string(name) + ".tmp";
}

std::string FileProblem(const std::string& action, const std::string& name, int error)
{
    return "Problem - cannot " + action + " " + name + ": " + std::strerror(error);
}

// Writes text to name + ".tmp", created afresh with the given permissions
// (a stale file of that name, perhaps with wider permissions, is removed
// first) and flushed to the disk.
Outcome<Done> WriteTemporary(const char* name, const std::string& text, mode_t mode)
{
    const std::string path = TemporaryName(name);
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return Outcome<Done>::Fail(FileProblem("replace", path, errno));
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (file.get() < 0)
        return Outcome<Done>::Fail(FileProblem("create", path, errno));
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(file.get(), text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Outcome<Done>::Fail(FileProblem("write", path, errno));
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(file.get()) != 0 || !file.close())
        return Outcome<Done>::Fail(FileProblem("write", path, errno));
    return Done{};
}

Outcome<Done> Commit(const char* name)
{
    if (std::rename(TemporaryName(name).c_str(), name) != 0)
        return Outcome<Done>::Fail(FileProblem("replace", name, errno));
    return Done{};
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
    const SecretText digits(HexOrEmpty(d, ok));
    SecretText privateText;
    privateText.text.reserve(digits.text.size() + 1);
    privateText.text.append(digits.text).push_back('\n');
    if (!ok)
        return Outcome<Done>::Fail("Problem - the key pair cannot be written out: " + OpenSslErrorText());

    Outcome<Done> written = WriteTemporary(PrivateKeyFileName, privateText.text, S_IRUSR | S_IWUSR);
    if (written.ok())
        written = WriteTemporary(PublicKeyFileName, publicText, 0644);
    if (written.ok())
        written = Commit(PrivateKeyFileName);
    if (written.ok())
        written = Commit(PublicKeyFileName);
    if (!written.ok()) {
        std::remove(TemporaryName(PrivateKeyFileName).c_str());
        std::remove(TemporaryName(PublicKeyFileName).c_str());
    }
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
    Outcome<Done> written = WriteTemporary(SignatureRecordFileName, text, 0644);
    return written.ok() ? Commit(SignatureRecordFileName) : written;
}

}  // namespace vantrel
