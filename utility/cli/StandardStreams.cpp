#include "cli/StandardStreams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/ConsoleMessages.h"

namespace vantrel::cli {

// Passes everything on to the stream buffer std::cout had (the C library's
// standard output, which does the buffering) and keeps the reason of the
// first write that failed: errno says it right after the failing call, and
// nowhere later, once other calls have set it again.
class StandardStreams::WatchedBuffer : public std::streambuf {
public:
    WatchedBuffer(std::streambuf* target, bool closed) : target_(target), error_(closed ? EBADF : 0) {}

    int error() const { return error_; }

protected:
    int_type overflow(int_type ch) override
    {
        if (traits_type::eq_int_type(ch, traits_type::eof()))
            return traits_type::not_eof(ch);
        if (error_ != 0)
            return traits_type::eof();
        errno = 0;
        const int_type put = target_->sputc(traits_type::to_char_type(ch));
        if (traits_type::eq_int_type(put, traits_type::eof()))
            Note(errno);
        return put;
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        if (error_ != 0)
            return 0;
        errno = 0;
        const std::streamsize written = target_->sputn(text, count);
        if (written < count)
            Note(errno);
        return written;
    }

    int sync() override
    {
        if (error_ != 0)
            return -1;
        errno = 0;
        const int synced = target_->pubsync();
        if (synced != 0)
            Note(errno);
        return synced;
    }

private:
    void Note(int error) { error_ = error != 0 ? error : EIO; }

    std::streambuf* target_;
    int error_;
};

namespace {

// Opens /dev/null on fd when it is closed; true when it was.
bool FillWhenClosed(int fd, int flags)
{
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
        return false;
    const int opened = open("/dev/null", flags);
    if (opened >= 0 && opened != fd) {
        dup2(opened, fd);
        close(opened);
    }
    return true;
}

}  // namespace

StandardStreams::StandardStreams()
{
    FillWhenClosed(STDIN_FILENO, O_RDONLY);
    const bool outputClosed = FillWhenClosed(STDOUT_FILENO, O_WRONLY);
    FillWhenClosed(STDERR_FILENO, O_WRONLY);
    original_ = std::cout.rdbuf();
    watched_ = std::make_unique<WatchedBuffer>(original_, outputClosed);
    std::cout.rdbuf(watched_.get());
}

StandardStreams::~StandardStreams()
{
    std::cout.rdbuf(original_);
}

int StandardStreams::Finish(int status)
{
    std::cout.flush();
    const int error = watched_->error();
    if (error == 0 && std::cout.good())
        return status;
    std::cout.clear();
    if (status != 0)
        return status;
    return Fail(std::string("Cannot write to standard output: ") + std::strerror(error != 0 ? error : EIO));
}

}  // namespace vantrel::cli
