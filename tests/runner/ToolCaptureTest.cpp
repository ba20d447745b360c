#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <regex>
#include <string>

#include "FakeTool.h"
#include "TestSupport.h"
#include "runner/ToolRunner.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

struct Captured {
    std::string text;
    bool timedOut = false;
};

// Reads a capture to the end of its output (or to the first timed-out poll).
Captured ReadToEnd(int readHandle, std::size_t step = 1024)
{
    Captured captured;
    std::string buffer(step, '\0');
    for (;;) {
        const long count = PollToolPipe(readHandle, buffer.data(), buffer.size());
        if (count == PollTimedOut) {
            captured.timedOut = true;
            return captured;
        }
        if (count == 0)
            return captured;
        captured.text.append(buffer.data(), static_cast<std::size_t>(count));
    }
}

Captured CaptureTool(const std::filesystem::path& tool, const ToolArguments& arguments = {})
{
    ToolArguments commandLine{tool.string()};
    commandLine.insert(commandLine.end(), arguments.begin(), arguments.end());
    const int handle = OpenToolPipe(commandLine);
    EXPECT_GE(handle, 0);
    Captured captured = handle >= 0 ? ReadToEnd(handle) : Captured{};
    CloseToolPipe();
    return captured;
}

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

class ToolCaptureTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(ToolCaptureTest, JoinsStandardErrorWithStandardOutput)
{
    const auto tool = WriteFakeTool(dir.path(), "tool", "printf 'out1 '; printf 'err ' >&2; printf 'out2'");
    const Captured captured = CaptureTool(tool);
    EXPECT_FALSE(captured.timedOut);
    EXPECT_EQ(captured.text, "out1 err out2");
}

TEST_F(ToolCaptureTest, ChildSeesDevNullAsInputAndOnlyTheWriteEndOfThePipe)
{
    const Captured captured = CaptureTool("/bin/ls", {"-l", "/proc/self/fd"});
    std::smatch match;
    ASSERT_TRUE(std::regex_search(captured.text, match, std::regex(" 1 -> (pipe:\\[[0-9]+\\])")))
        << captured.text;
    const std::string pipe = match[1];
    EXPECT_NE(captured.text.find(" 0 -> /dev/null"), std::string::npos) << captured.text;
    EXPECT_NE(captured.text.find(" 2 -> " + pipe), std::string::npos) << captured.text;
    // The parent's read end (same pipe) is close-on-exec: 1 and 2 only.
    std::size_t uses = 0;
    for (std::size_t at = captured.text.find(pipe); at != std::string::npos; at = captured.text.find(pipe, at + 1))
        ++uses;
    EXPECT_EQ(uses, 2u) << captured.text;
}

TEST_F(ToolCaptureTest, ToolReadingItsInputSeesEndOfInputAtOnce)
{
    const auto tool = WriteFakeTool(dir.path(), "tool", "cat; echo \"status $?\"");
    EXPECT_EQ(CaptureTool(tool).text, "status 0\n");
}

TEST_F(ToolCaptureTest, EveryArgumentArrivesAsOneArgument)
{
    const auto tool = WriteFakeTool(dir.path(), "tool", "printf '%s|' \"$#\" \"$@\"");
    const Captured captured = CaptureTool(tool, {"/a dir/x.vnf", "it's \"quoted\"", "line\nbreak", ""});
    EXPECT_EQ(captured.text, "4|/a dir/x.vnf|it's \"quoted\"|line\nbreak||");
}

TEST_F(ToolCaptureTest, MissingToolIsNotOpenedAndLeavesNothingOpen)
{
    const int before = OpenDescriptorCount();
    EXPECT_EQ(OpenToolPipe({(dir / "scnlist").string(), "-sh", "x.vnf"}), -1);
    EXPECT_EQ(OpenToolPipe({}), -1);
    WriteFileText(dir / "plain", "#!/bin/sh\n");
    EXPECT_EQ(OpenToolPipe({(dir / "plain").string()}), -1);
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_TRUE(NoChildrenLeft());
    CloseToolPipe();
}

TEST_F(ToolCaptureTest, SilentToolTimesOutAndIsStoppedOnClose)
{
    const auto tool = WriteFakeTool(dir.path(), "tool", "exec sleep 30");
    const int handle = OpenToolPipe({tool.string()});
    ASSERT_GE(handle, 0);
    char byte = 0;
    EXPECT_EQ(PollToolPipe(handle, &byte, 1), PollTimedOut);
    CloseToolPipe();
    EXPECT_EQ(LastCaptureExitStatus(), 128 + SIGKILL);
    EXPECT_TRUE(NoChildrenLeft());
}

TEST_F(ToolCaptureTest, SlowOutputIsWaitedForWhileItKeepsComing)
{
    // Pauses of 100 ms stay within one poll's 300 ms of silence.
    const auto tool = WriteFakeTool(dir.path(), "tool", "for i in 1 2 3 4 5; do printf \"$i\"; sleep 0.1; done");
    const Captured captured = CaptureTool(tool);
    EXPECT_FALSE(captured.timedOut);
    EXPECT_EQ(captured.text, "12345");
}

TEST_F(ToolCaptureTest, PauseLongerThanTenPollStepsTimesOut)
{
    const auto tool = WriteFakeTool(dir.path(), "tool", "printf a; sleep 1; printf b");
    const int handle = OpenToolPipe({tool.string()});
    ASSERT_GE(handle, 0);
    const Captured captured = ReadToEnd(handle);
    CloseToolPipe();
    EXPECT_TRUE(captured.timedOut);
    EXPECT_EQ(captured.text, "a");
}

TEST_F(ToolCaptureTest, LargeOutputIsReadCompletelyToTheEnd)
{
    // 3 MiB, far more than one pipe buffer and more than any one read.
    const auto tool = WriteFakeTool(dir.path(), "tool", "head -c 3145728 /dev/zero | tr '\\0' 'x'; printf END");
    const Captured captured = CaptureTool(tool);
    ASSERT_EQ(captured.text.size(), 3145728u + 3u);
    EXPECT_EQ(captured.text.substr(captured.text.size() - 4), "xEND");
    EXPECT_EQ(LastCaptureExitStatus(), 0);
}

TEST_F(ToolCaptureTest, CloseReapsTheChildAndNotesItsStatus)
{
    const auto tool = WriteFakeTool(dir.path(), "tool", "printf done; exit 3");
    EXPECT_EQ(CaptureTool(tool).text, "done");
    EXPECT_EQ(LastCaptureExitStatus(), 3);
    EXPECT_TRUE(NoChildrenLeft());
}

// Starts a tool that writes without end, reads a little and closes the
// capture while it still writes; returns the status the close noted.
int CloseWhileWriting(const fs::path& tool)
{
    const int handle = OpenToolPipe({tool.string()});
    EXPECT_GE(handle, 0);
    char buffer[64];
    EXPECT_GT(PollToolPipe(handle, buffer, sizeof buffer), 0);
    CloseToolPipe();
    EXPECT_TRUE(NoChildrenLeft());
    return LastCaptureExitStatus();
}

TEST_F(ToolCaptureTest, ChildStillWritingAfterCloseGetsBrokenPipeAndParentGoesOn)
{
    // Even when this process ignores SIGPIPE, the child starts with the
    // default action and ends by it.
    struct IgnoreSigpipe {
        IgnoreSigpipe() { previous = signal(SIGPIPE, SIG_IGN); }
        ~IgnoreSigpipe() { signal(SIGPIPE, previous); }
        sighandler_t previous;
    } ignore;
    EXPECT_EQ(CloseWhileWriting(WriteFakeTool(dir.path(), "tool", "exec yes")), 128 + SIGPIPE);
}

TEST_F(ToolCaptureTest, ChildIgnoringTheBrokenPipeIsKilledOnClose)
{
    const auto tool = WriteFakeTool(dir.path(), "tool", "trap '' PIPE; while :; do echo x 2>/dev/null; done");
    EXPECT_EQ(CloseWhileWriting(tool), 128 + SIGKILL);
}

TEST_F(ToolCaptureTest, OpeningASecondCaptureClosesTheFirst)
{
    const auto first = WriteFakeTool(dir.path(), "first", "exec sleep 30");
    const auto second = WriteFakeTool(dir.path(), "second", "printf second");
    const int before = OpenDescriptorCount();
    ASSERT_GE(OpenToolPipe({first.string()}), 0);
    const int handle = OpenToolPipe({second.string()});
    ASSERT_GE(handle, 0);
    EXPECT_EQ(ReadToEnd(handle).text, "second");
    CloseToolPipe();
    EXPECT_EQ(OpenDescriptorCount(), before);
    EXPECT_TRUE(NoChildrenLeft());
}

}  // namespace
}  // namespace vantrel::testing
