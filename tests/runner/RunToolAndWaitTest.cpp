#include <gtest/gtest.h>

#include <signal.h>

#include <ostream>
#include <string>

#include "FakeTool.h"
#include "TestSupport.h"
#include "runner/ToolRunner.h"

namespace vantrel::testing {
namespace {

TEST(ToolPath, JoinsDirectoryAndToolName)
{
    EXPECT_EQ(ToolPath("/opt/vantrel tools", "sectmend"), "/opt/vantrel tools/sectmend");
}

struct StatusCase {
    std::string body;
    int status;
};

void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.body; }

class RunToolAndWaitStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(RunToolAndWaitStatus, ReturnsTheChildsExitStatus)
{
    TempDir dir;
    const auto tool = WriteFakeTool(dir.path(), "tool", GetParam().body);
    EXPECT_EQ(RunToolAndWait(tool.string(), {}), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Statuses, RunToolAndWaitStatus,
                         ::testing::Values(StatusCase{"exit 0", 0}, StatusCase{"exit 1", 1},
                                           StatusCase{"exit 255", 255},
                                           StatusCase{"kill -TERM $$", 128 + SIGTERM},
                                           StatusCase{"sleep 0.2; exit 7", 7}),
                         [](const auto& info) { return "Status" + std::to_string(info.param.status); });

TEST(RunToolAndWait, MissingToolReturnsCouldNotStart)
{
    TempDir dir;
    EXPECT_EQ(RunToolAndWait((dir / "sectmend").string(), {"-version"}), ToolCouldNotStart);
}

TEST(RunToolAndWait, FileWithoutExecutePermissionCouldNotStart)
{
    TempDir dir;
    WriteFileText(dir / "sectmend", "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(RunToolAndWait((dir / "sectmend").string(), {}), ToolCouldNotStart);
}

TEST(RunToolAndWait, PassesEveryParameterAsOneArgumentAndWaitsForTheWrite)
{
    TempDir dir;
    const auto tool = WriteFakeTool(dir.path(), "tool", "printf '%s|' \"$#\" \"$@\" > \"$1\"");
    const std::string output = (dir / "out put's \"file\"\nx").string();
    ASSERT_EQ(RunToolAndWait(tool.string(), {output, "a b", "", "$HOME", "*"}), 0);
    EXPECT_EQ(ReadFileText(output), "5|" + output + "|a b||$HOME|*|");
}

TEST(RunToolAndWait, StandardInputIsEmpty)
{
    TempDir dir;
    const auto tool = WriteFakeTool(dir.path(), "tool", "wc -c > \"$1\"");
    ASSERT_EQ(RunToolAndWait(tool.string(), {(dir / "count").string()}), 0);
    EXPECT_EQ(ReadFileText(dir / "count"), "0\n");
}

}  // namespace
}  // namespace vantrel::testing
