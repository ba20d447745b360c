// RunTool on fake tools and system programs: what reaches the child, what
// comes back, and that every limit stops the tool and leaves nothing behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "FakeTool.h"
#include "TestSupport.h"
#include "filereplace/UniqueFd.h"
#include "runner/ToolRun.h"

namespace vantrel::testing {
namespace {

using std::chrono::milliseconds;
using End = ToolRunResult::End;
namespace fs = std::filesystem;

int OpenDescriptorCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

// True when this process has no child left, reaped or not.
bool NoChildrenLeft()
{
    return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

class RunToolTest : public ::testing::Test {
protected:
    void SetUp() override { descriptors = OpenDescriptorCount(); }
    // However the run ended, it left no child and no descriptor behind.
    void TearDown() override
    {
        EXPECT_TRUE(NoChildrenLeft());
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
    }

    ToolRunResult RunScript(const std::string& body, const ToolArguments& arguments = {},
                            const ToolLimits& limits = {})
    {
        ToolArguments commandLine{WriteFakeTool(dir.path(), "tool", body).string()};
        commandLine.insert(commandLine.end(), arguments.begin(), arguments.end());
        return RunTool(commandLine, {}, limits);
    }

    TempDir dir;
    int descriptors = 0;
};

TEST_F(RunToolTest, ChildHasDevNullAsInputAndOnlyTheWriteEndOfThePipe)
{
    const std::string text = RunTool({"/bin/ls", "-l", "/proc/self/fd"}, {}, {}).output;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(text, match, std::regex(" 1 -> (pipe:\\[[0-9]+\\])"))) << text;
    const std::string pipe = match[1];
    EXPECT_NE(text.find(" 0 -> /dev/null"), std::string::npos) << text;
    EXPECT_NE(text.find(" 2 -> " + pipe), std::string::npos) << text;
    // The parent's read end (same pipe) is close-on-exec: 1 and 2 only.
    std::size_t uses = 0;
    for (std::size_t at = text.find(pipe); at != std::string::npos; at = text.find(pipe, at + 1))
        ++uses;
    EXPECT_EQ(uses, 2u) << text;
}

TEST_F(RunToolTest, ChildStartsWithNoSignalIgnoredOrBlocked)
{
    // Whatever this process ignores or blocks, a tool ends by SIGPIPE and the rest as usual.
    const sighandler_t previous = signal(SIGPIPE, SIG_IGN);
    sigset_t usr1, saved;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &usr1, &saved);
    const std::string text = RunTool({"/bin/grep", "-E", "^Sig(Blk|Ign)", "/proc/self/status"}, {}, {}).output;
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    signal(SIGPIPE, previous);
    // Signals 1 to 31 clear (32 and up are the C library's own).
    const std::regex clear("SigBlk:\t[0-9a-f]{8}[08]0{7}\nSigIgn:\t[0-9a-f]{8}[08]0{7}\n");
    EXPECT_TRUE(std::regex_match(text, clear)) << text;
}

TEST_F(RunToolTest, EveryArgumentArrivesAsOneAndStandardErrorJoinsTheOutput)
{
    const ToolRunResult run =
        RunScript("printf '%s|' \"$#\" \"$@\"; printf 'err|' >&2; printf end",
                  {"/a dir/x (1).vnf", "it's \"quoted\"", "line\nbreak", "", "$HOME", "*", "-x.vnf"});
    EXPECT_EQ(run.end, End::Exited);
    EXPECT_EQ(run.output, "7|/a dir/x (1).vnf|it's \"quoted\"|line\nbreak||$HOME|*|-x.vnf|err|end");
}

TEST_F(RunToolTest, ToolThatCannotStartIsNotStartedAndLeavesNothingOpen)
{
    WriteFileText(dir / "plain", "#!/bin/sh\n");
    const struct {
        ToolArguments commandLine;
        std::filesystem::path workingDirectory;
        int error;
    } cases[] = {
        {{(dir / "missing").string()}, {}, ENOENT},
        {{(dir / "plain").string()}, {}, EACCES},
        {{}, {}, EINVAL},
        {{"/bin/true"}, dir / "no such folder", ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.commandLine.empty() ? std::string("empty") : c.commandLine[0]);
        const ToolRunResult run = RunTool(c.commandLine, c.workingDirectory, {});
        EXPECT_EQ(run.end, End::NotStarted);
        EXPECT_EQ(run.startError, c.error);
        EXPECT_EQ(run.output, "");
    }
}

struct StatusCase {
    const char* label;
    std::string body;
    int status;
};

void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.body; }

class RunToolStatus : public RunToolTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(RunToolStatus, ReturnsTheExitStatusOr128PlusTheSignal)
{
    const ToolRunResult run = RunScript(GetParam().body);
    EXPECT_EQ(run.end, End::Exited);
    EXPECT_EQ(run.status, GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, RunToolStatus,
    ::testing::Values(StatusCase{"Zero", "exit 0", 0}, StatusCase{"One", "exit 1", 1},
                      StatusCase{"Max", "exit 255", 255}, StatusCase{"Terminated", "kill -TERM $$", 128 + SIGTERM},
                      // The end of the output is not the end of the tool.
                      StatusCase{"AfterClosingItsOutput", "exec >&- 2>&-; sleep 0.2; exit 7", 7}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RunToolTest, ReadsLargeOutputToTheEnd)
{
    // 3 MiB, far more than one pipe buffer and more than any one read.
    const ToolRunResult run = RunScript("head -c 3145728 /dev/zero | tr '\\0' 'x'; printf END", {},
                                        ToolLimits{milliseconds(0), milliseconds(60000), 4u << 20});
    EXPECT_EQ(run.end, End::Exited);
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.output.size(), 3145728u + 3u);
    EXPECT_EQ(run.output.substr(run.output.size() - 4), "xEND");
}

struct LimitCase {
    const char* label;
    std::string body;
    ToolLimits limits;
    End end;
    std::string outputStart;
};

void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.body; }

class RunToolLimit : public RunToolTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(RunToolLimit, StopsTheToolAndKeepsWhatItPrinted)
{
    const ToolRunResult run = RunScript(GetParam().body, {}, GetParam().limits);
    EXPECT_EQ(run.end, GetParam().end);
    EXPECT_EQ(run.status, 128 + SIGKILL);
    EXPECT_EQ(run.output.substr(0, GetParam().outputStart.size()), GetParam().outputStart);
    // Output stopped the tool exactly at its limit; nothing beyond was read in.
    EXPECT_EQ(run.output.size() == GetParam().limits.outputBytes, run.end == End::TooMuchOutput);
}

// The limits are short; the tools would run for many minutes or forever.
INSTANTIATE_TEST_SUITE_P(
    Limits, RunToolLimit,
    ::testing::Values(
        LimitCase{"SilentAfterPrinting", "printf a; exec sleep 1000", {milliseconds(200), milliseconds(60000)},
                  End::Silent, "a"},
        LimitCase{"NeverEndsWithoutSilenceLimit", "printf a; exec sleep 1000", {milliseconds(0), milliseconds(300)},
                  End::TimedOut, "a"},
        // The silence limit must be long enough that a loaded machine closes
        // the output before it: once closed, only the whole-run limit applies.
        LimitCase{"NeverEndsAfterClosingItsOutput", "printf a; exec >&- 2>&-; exec sleep 1000",
                  {milliseconds(1000), milliseconds(1500)}, End::TimedOut, "a"},
        LimitCase{"KeepsPrintingSlowly", "while :; do printf x; sleep 0.05; done",
                  {milliseconds(60000), milliseconds(300)}, End::TimedOut, "x"},
        LimitCase{"PrintsForeverIgnoringTheBrokenPipe",
                  "trap '' PIPE; while :; do head -c 100000 /dev/zero | tr '\\0' y; done",
                  {milliseconds(0), milliseconds(60000), 1u << 20}, End::TooMuchOutput, "yyyy"}),
    [](const auto& info) { return std::string(info.param.label); });

struct StreamCase {
    const char* label;
    std::string body;            // $1 is the FIFO
    std::uint64_t expected;
    std::uint64_t cancelAfter;   // the cancel check says yes once this many bytes came; 0: never
    bool takerRefuses;           // the taker fails on the first piece
    End end;
};

void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.body; }

class RunToolStream : public RunToolTest, public ::testing::WithParamInterface<StreamCase> {};

// Section bytes come through a FIFO block by block while the tool runs;
// whatever ends the run, the pieces taken are the bytes in order, none
// larger than a block, and the tool is gone.
TEST_P(RunToolStream, TakesTheBytesInBlocksOrStopsTheTool)
{
    const StreamCase& c = GetParam();
    const fs::path fifo = dir / "section.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    UniqueFd reading(open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(reading.valid());
    std::uint64_t taken = 0;
    std::size_t largest = 0;
    bool inOrder = true;
    ToolByteStream stream{reading.get(), c.expected, [&](std::span<const std::uint8_t> piece) {
        for (std::size_t i = 0; i < piece.size(); ++i)
            inOrder = inOrder && piece[i] == static_cast<std::uint8_t>('a' + (taken + i) % 2);
        taken += piece.size();
        largest = std::max(largest, piece.size());
        return c.takerRefuses ? Status::Fail("no room") : Status(Done{});
    }};
    const ToolRunWatch watch{&stream, [&] { return c.cancelAfter != 0 && taken >= c.cancelAfter; }};
    const ToolRunResult run = RunTool({WriteFakeTool(dir.path(), "tool", c.body).string(), fifo.string()}, {},
                                      ToolLimits{milliseconds(0), milliseconds(60000), 4096, milliseconds(300)},
                                      watch);
    reading.reset();
    EXPECT_EQ(run.end, c.end);
    EXPECT_TRUE(inOrder);
    EXPECT_LE(largest, 1u << 20);
    if (c.end == End::Exited) {
        EXPECT_EQ(taken, c.expected);
    }
    if (c.takerRefuses) {
        EXPECT_EQ(run.problem, "no room");
    }
}

// "ab" repeated: yes prints "ab\n" lines, so tr drops the line ends.
const std::string Ab = "yes ab | tr -d '\\n'";

INSTANTIATE_TEST_SUITE_P(
    Streams, RunToolStream,
    ::testing::Values(
        StreamCase{"ThreeMiB", Ab + " | head -c 3145728 > \"$1\"", 3u << 20, 0, false, End::Exited},
        StreamCase{"StallsHalfway", "{ " + Ab + " | head -c 1000; exec sleep 1000; } > \"$1\"", 2000, 0, false,
                   End::Stalled},
        StreamCase{"CancelledMidSection", "exec " + Ab + " > \"$1\"", 1u << 30, 2u << 20, false, End::Cancelled},
        StreamCase{"MoreThanExpected", "printf ababababab > \"$1\"", 8, 0, false, End::Refused},
        StreamCase{"TakerRefuses", Ab + " | head -c 100 > \"$1\"", 100, 0, true, End::Refused}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(DefaultSilenceLimit, TakesPositiveMillisecondsFromTheEnvironmentElseTenSeconds)
{
    const std::pair<const char*, int> cases[] = {{"250", 250}, {"", 10000}, {"0", 10000}, {"12x", 10000}};
    for (const auto& [setting, expected] : cases) {
        const ScopedSilenceLimit limit(setting);
        EXPECT_EQ(DefaultSilenceLimit().count(), expected) << '"' << setting << '"';
        // Six silences, and a second more per MiB moved.
        EXPECT_EQ(RunTimeLimit(9u << 20).count(), 6 * expected + 9000) << '"' << setting << '"';
    }
}

}  // namespace
}  // namespace vantrel::testing
