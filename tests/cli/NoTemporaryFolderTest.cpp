// A command the environment stops (here: TMPDIR names no folder, so the
// tools get no scratch folder) ends with one ERROR line and status 1, never
// an abort, and leaves the image as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

TEST(NoTemporaryFolderTest, CommandsFailWithOneErrorLine)
{
    TempDir work;
    const auto image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path()).status, 0);
    const Bytes before = ReadFileBytes(image);

    const std::vector<std::string> commands[] = {
        {"sections", image.string()},
        {"verify", image.string(), "--key-env", "KEY"},
        {"protect", image.string(), "-o", (work / "out.vnf").string(), "--key-env", "KEY", "--hash",
         "ShareFunctionSection1"},
    };
    for (const auto& command : commands) {
        std::vector<std::string> argv{"/usr/bin/env", "TMPDIR=/nonexistent", "KEY=" + std::string(32, '0'),
                                      (ToolsDir() / "vantrel-utility").string()};
        argv.insert(argv.end(), command.begin(), command.end());
        const auto run = RunProgram(argv, {}, work.path());
        EXPECT_EQ(run.status, 1) << command[0] << ": " << run.err;
        EXPECT_EQ(run.err.rfind("ERROR: ", 0), 0u) << command[0] << ": " << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << command[0] << ": " << run.err;
        EXPECT_NE((run.out + run.err).find("temporary folder"), std::string::npos) << command[0] << ": " << run.out;
    }
    EXPECT_EQ(ReadFileBytes(image), before);
    EXPECT_FALSE(std::filesystem::exists(work / "out.vnf"));
}

}  // namespace
}  // namespace vantrel::testing
