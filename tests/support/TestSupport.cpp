#include "TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

extern char** environ;

namespace vantrel::testing {

namespace fs = std::filesystem;

fs::path ToolsDir()
{
    return fs::path(VANTREL_BIN_DIR);
}

TempDir::TempDir()
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("vantrel-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code error;
    fs::remove_all(path_, error);
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const fs::path& directory)
    : previous_(fs::current_path())
{
    fs::current_path(directory);
}

ScopedWorkingDirectory::~ScopedWorkingDirectory()
{
    std::error_code error;
    fs::current_path(previous_, error);
}

SmallFileSystem::SmallFileSystem(const fs::path& where, std::size_t bytes) : where_(where)
{
    fs::create_directory(where_);
    mounted_ = mount("tmpfs", where_.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (mounted_)
        umount(where_.c_str());
}

namespace {

// A write to a pipe whose reader may already have gone (a program that
// refuses its command line never reads its input): EPIPE instead of a
// SIGPIPE that would end the test. The signal is blocked for the write and a
// pending one taken, so the programs started still get the default action.
ssize_t WriteWithoutSigpipe(int fd, const char* data, std::size_t size)
{
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EPIPE) {
        const timespec none{0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &none) < 0 && errno == EINTR) {
        }
        errno = EPIPE;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return n;
}

// Writes input to fd while draining the two output pipes, so neither side
// blocks on a full pipe.
void Exchange(int inFd, const std::string& input, int outFd, int errFd, ProgramResult& result)
{
    std::size_t written = 0;
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    while (outFd >= 0 || errFd >= 0) {
        pollfd fds[3];
        int count = 0;
        if (outFd >= 0) fds[count++] = {outFd, POLLIN, 0};
        if (errFd >= 0) fds[count++] = {errFd, POLLIN, 0};
        if (inFd >= 0) fds[count++] = {inFd, POLLOUT, 0};
        if (poll(fds, static_cast<nfds_t>(count), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < count; ++i) {
            if (fds[i].revents == 0) continue;
            if (fds[i].fd == inFd) {
                ssize_t n = WriteWithoutSigpipe(inFd, input.data() + written, input.size() - written);
                if (n > 0) written += static_cast<std::size_t>(n);
                if (n < 0 || written == input.size()) {
                    close(inFd);
                    inFd = -1;
                }
                continue;
            }
            char buffer[65536];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            std::string& target = fds[i].fd == outFd ? result.out : result.err;
            if (n > 0) {
                target.append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                (fds[i].fd == outFd ? outFd : errFd) = -1;
            }
        }
    }
    if (inFd >= 0) close(inFd);
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, const std::string& input,
                         const fs::path& workingDirectory)
{
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());

    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    int spawnError = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);

    ProgramResult result;
    if (spawnError != 0) {
        close(in[1]);
        close(out[0]);
        close(err[0]);
        result.status = 127;
        result.err = "cannot start " + argv[0];
        return result;
    }
    Exchange(in[1], input, out[0], err[0], result);
    int status = 0;
    rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {}
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.peakResidentKiB = usage.ru_maxrss;
    return result;
}

Bytes ReadFileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadFileText(const fs::path& path)
{
    Bytes bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteFileBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteFileText(const fs::path& path, const std::string& text)
{
    WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

std::vector<std::string> FileNamesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bytes PatternBytes(std::size_t n, std::uint8_t seed)
{
    Bytes bytes(n);
    std::uint32_t state = 0x9E3779B9u * (seed + 1u);
    for (auto& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

std::string HexText(const Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (auto b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

}  // namespace vantrel::testing
