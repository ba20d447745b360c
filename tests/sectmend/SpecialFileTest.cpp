// Files that are not plain files: a FIFO given as the image is refused at
// once instead of waited on, and standard streams that are closed or full
// fail the run (or, for a closed standard error, change nothing else).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "SectmendRun.h"

namespace vantrel::testing {
namespace {

std::string Sectmend()
{
    return "'" + (ToolsDir() / "sectmend").string() + "'";
}

// The shell runs the command with its redirections; /usr/bin/timeout kills a
// run that would block, so a fault shows as a failure, not a hung test.
ProgramResult RunShell(const std::string& command, const SampleFolder& folder)
{
    return RunProgram({"/bin/sh", "-c", "exec /usr/bin/timeout -s KILL 20 " + command}, {}, folder.path());
}

TEST(SectmendSpecialFiles, FifoAsTheImageIsRefusedWithoutWaiting)
{
    SampleFolder folder;
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    WriteFileBytes(folder / "new.bin", PatternBytes(64, 3));
    for (const std::string arguments :
         {"-get L1_code fifo", "-get L1_code 'fifo(overlay1.elf)'", "-replace L1_code -bits new.bin fifo",
          "-replace L1_code -o out.vnf -bits new.bin fifo"}) {
        SCOPED_TRACE(arguments);
        const ProgramResult result = RunShell(Sectmend() + " " + arguments, folder);
        EXPECT_EQ(result.err, "ERROR: 'fifo' is not a regular file\n");
        EXPECT_EQ(result.status, 1);
        EXPECT_FALSE(std::filesystem::exists(folder / "out.vnf"));
    }
}

struct StreamCase {
    std::string arguments;  // after the program, with the shell's redirections
    std::string err;
    int status;
    bool imageChanged;  // L1_code replaced by the 64 bytes of new.bin
};

TEST(SectmendSpecialFiles, ClosedOrFullStandardStreams)
{
    const std::string unwritable = "ERROR: The section bytes could not be written to the standard output.\n";
    const std::vector<StreamCase> cases = {
        {"-get L1_code p0.vnf >/dev/full", unwritable, 1, false},
        {"-get L1_code -text p0.vnf >&-", unwritable, 1, false},
        // A closed standard input is not an empty one, nor the image.
        {"-replace L1_code p0.vnf <&-", "ERROR: The standard input could not be read.\n", 1, false},
        // With standard error closed the surplus warning goes nowhere, and
        // never into the image.
        {"-replace L1_code -bits long.bin p0.vnf 2>&-", "", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        SampleFolder folder;
        Bytes longer = PatternBytes(64, 3);
        longer.push_back(0xff);
        WriteFileBytes(folder / "long.bin", longer);
        const Bytes original = ReadFileBytes(folder / "p0.vnf");
        const ProgramResult result = RunShell(Sectmend() + " " + c.arguments, folder);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.status, c.status);
        const Bytes expected =
            c.imageChanged ? Patched(original, SectionOffset(SampleImage(), "L1_code"), PatternBytes(64, 3)) : original;
        EXPECT_EQ(ReadFileBytes(folder / "p0.vnf"), expected);
    }
}

}  // namespace
}  // namespace vantrel::testing
