// The command line runs the tools beside its own executable, or those of
// --tool-dir, never those of the working directory; and the tools it runs do
// not inherit a key given through the environment.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

// An executable shell script.
void WriteScript(const fs::path& path, const std::string& body)
{
    WriteFileText(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
}

TEST(ToolDirectoryTest, ToolsInTheWorkingDirectoryAreNeverRun)
{
    TempDir work;
    WriteElfImage(work / "image.vnf", ProtectableImage());
    for (const char* tool : {"sectmend", "scnlist"})
        WriteScript(work / tool, "touch \"$(dirname \"$0\")/ran\"\nexit 1\n");

    const auto run = Utility({"sections", "image.vnf"}, work.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(fs::exists(work / "ran"));
}

TEST(ToolDirectoryTest, ToolDirChoosesTheToolsWhichNeverSeeTheKey)
{
    TempDir work;
    WriteElfImage(work / "image.vnf", ProtectableImage());
    const fs::path tools = work / "tools";
    fs::create_directory(tools);
    fs::create_symlink(ToolsDir() / "sectmend", tools / "sectmend");
    WriteScript(tools / "scnlist", "env > \"$(dirname \"$0\")/environment\"\nexec '" +
                                       (ToolsDir() / "scnlist").string() + "' \"$@\"\n");

    const auto run = RunProgram({"/usr/bin/env", "FW_KEY=" + std::string(32, 'c'),
                                 (ToolsDir() / "vantrel-utility").string(), "protect", "image.vnf", "-o", "out.vnf",
                                 "--key-env", "FW_KEY", "--aes", "ShareFunctionSection1", "--tool-dir", "tools"},
                                {}, work.path());
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(fs::exists(tools / "environment"));
    EXPECT_EQ(ReadFileText(tools / "environment").find("FW_KEY"), std::string::npos);
}

}  // namespace
}  // namespace vantrel::testing
