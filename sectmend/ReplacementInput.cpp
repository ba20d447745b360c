#include "ReplacementInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "FileAccess.h"

namespace sectmend {

namespace {

enum class PairResult { Value, Nothing, Invalid };

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Converts the one or two characters read for a byte as "%02x" reads them:
// white space is skipped, up to two digits count, a pair with no digits at
// all is invalid, white space alone converts nothing. A NUL character is not
// text and makes the pair invalid. Two hexadecimal digits, by far the most
// common pair, are converted directly.
PairResult ConvertPair(const char* chars, std::size_t count, unsigned char& byte)
{
    if (count == 2 && HexDigit(chars[0]) >= 0 && HexDigit(chars[1]) >= 0) {
        byte = static_cast<unsigned char>(HexDigit(chars[0]) << 4 | HexDigit(chars[1]));
        return PairResult::Value;
    }
    if (std::memchr(chars, '\0', count) != nullptr) return PairResult::Invalid;
    char text[3] = {};
    std::memcpy(text, chars, count);
    unsigned int value = 0;
    const int converted = std::sscanf(text, "%02x", &value);
    if (converted == EOF) return PairResult::Nothing;
    if (converted != 1) return PairResult::Invalid;
    byte = static_cast<unsigned char>(value & 0xffu);
    return PairResult::Value;
}

// A file without a name in the temporary folder, gone when it is closed.
vantrel::UniqueFd ScratchFile()
{
    std::error_code error;
    std::string folder = std::filesystem::temp_directory_path(error).string();
    if (error) folder = "/tmp";
    vantrel::UniqueFd scratch(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (scratch.valid() || (errno != EOPNOTSUPP && errno != EISDIR)) return scratch;
    std::string pattern = folder + "/sectmend-XXXXXX";
    scratch.reset(::mkostemp(pattern.data(), O_CLOEXEC));
    if (scratch.valid()) ::unlink(pattern.c_str());
    return scratch;
}

}  // namespace

void ReplacementInput::Reader::attach(int fd, std::size_t capacity)
{
    if (buffer_.empty()) buffer_.resize(capacity);
    fd_ = fd;
    at_ = end_ = 0;
    ended_ = false;
    error_ = 0;
}

bool ReplacementInput::Reader::fill()
{
    while (!ended_) {
        const ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got < 0 && errno == EINTR) continue;
        if (got > 0) {
            at_ = 0;
            end_ = static_cast<std::size_t>(got);
            return true;
        }
        if (got < 0) error_ = errno;
        // Once ended, stays ended: a terminal may offer more after an end.
        ended_ = true;
    }
    return false;
}

int ReplacementInput::Reader::get()
{
    if (at_ == end_ && !fill()) return -1;
    return buffer_[at_++];
}

std::size_t ReplacementInput::Reader::read(unsigned char* bytes, std::size_t count)
{
    std::size_t done = 0;
    while (done < count && (at_ < end_ || fill())) {
        const std::size_t n = std::min(count - done, end_ - at_);
        std::memcpy(bytes + done, buffer_.data() + at_, n);
        at_ += n;
        done += n;
    }
    return done;
}

ReplacementInput::ReplacementInput(std::string bitsName, bool textForm, std::uint64_t sectionSize)
    : bitsName_(std::move(bitsName)), text_(textForm), size_(sectionSize)
{
}

std::string ReplacementInput::shownName() const
{
    return bitsName_.empty() ? std::string("The standard input") : bitsName_;
}

bool ReplacementInput::open()
{
    if (!bitsName_.empty()) {
        file_.reset(::open(bitsName_.c_str(), O_RDONLY | O_CLOEXEC));
        if (!file_.valid()) {
            std::fprintf(stderr, "ERROR: %s can not be opened for reading.\n", bitsName_.c_str());
            return false;
        }
        fd_ = file_.get();
    }
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || S_ISDIR(status.st_mode)) {
        std::fprintf(stderr, "ERROR: %s could not be read.\n", shownName().c_str());
        return false;
    }
    regular_ = S_ISREG(status.st_mode);
    reader_.attach(fd_, readerCapacity());
    return true;
}

bool ReplacementInput::stage()
{
    if (!text_) return true;
    const off_t start = regular_ ? ::lseek(fd_, 0, SEEK_CUR) : -1;
    if (start < 0) return spool();
    if (!takeAll(-1)) return false;
    if (::lseek(fd_, start, SEEK_SET) != start) {
        std::fprintf(stderr, "ERROR: %s could not be read.\n", shownName().c_str());
        return false;
    }
    restart(fd_);
    return true;
}

bool ReplacementInput::spool()
{
    vantrel::UniqueFd scratch = ScratchFile();
    if (!scratch.valid()) {
        std::fprintf(stderr, "ERROR: %s could not be kept in a scratch file: %s.\n", shownName().c_str(),
                     std::strerror(errno));
        return false;
    }
    if (!takeAll(scratch.get())) return false;
    if (::lseek(scratch.get(), 0, SEEK_SET) != 0) {
        std::fprintf(stderr, "ERROR: %s could not be read back from a scratch file: %s.\n", shownName().c_str(),
                     std::strerror(errno));
        return false;
    }
    file_ = std::move(scratch);
    fd_ = file_.get();
    text_ = false;  // the scratch file holds the converted bytes
    spooled_ = true;
    restart(fd_);
    return true;
}

void ReplacementInput::restart(int fd)
{
    reader_.attach(fd, readerCapacity());
    produced_ = 0;
}

// Takes every byte of the section, writing them to the descriptor spool
// unless it is -1.
bool ReplacementInput::takeAll(int spool)
{
    std::vector<unsigned char> block(StreamBlockFor(size_));
    while (produced_ < size_) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size_ - produced_));
        if (!next(block.data(), count)) return false;
        if (spool >= 0 && !writeFully(spool, block.data(), count)) {
            std::fprintf(stderr, "ERROR: %s could not be kept in a scratch file: %s.\n", shownName().c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    return true;
}

bool ReplacementInput::decodeText(unsigned char* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (reader_.exhausted()) {
            std::memset(bytes + i, 0, count - i);  // short input leaves zeros
            return true;
        }
        bytes[i] = 0;
        const int first = reader_.get();
        if (first < 0) continue;
        char chars[2] = {static_cast<char>(first), 0};
        std::size_t length = 1;
        const int second = reader_.get();
        if (second >= 0) chars[length++] = static_cast<char>(second);
        if (ConvertPair(chars, length, bytes[i]) == PairResult::Invalid) {
            std::fputs("ERROR: Ill-formatted input.\n", stderr);
            return false;
        }
    }
    return true;
}

bool ReplacementInput::next(unsigned char* bytes, std::size_t count)
{
    if (text_) {
        if (!decodeText(bytes, count)) return false;
    } else {
        const std::size_t got = reader_.read(bytes, count);
        std::memset(bytes + got, 0, count - got);  // short input leaves zeros
    }
    if (reader_.error() != 0) {
        std::fprintf(stderr, "ERROR: %s could not be read.\n", shownName().c_str());
        return false;
    }
    produced_ += count;
    // The scratch file holds the section's bytes alone; what was left over
    // was seen while it was filled.
    if (produced_ == size_ && !spooled_) surplus_ = reader_.get() >= 0;
    return true;
}

}  // namespace sectmend
