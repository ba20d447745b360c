// Every way a run fails: the one message, status 1, and what the files hold
// afterwards. The input image never changes; an output copy made before the
// failure is a complete copy of the input.
#include <gtest/gtest.h>
#include <unistd.h>

#include "SectmendRun.h"

namespace vantrel::testing {
namespace {

enum class Output { None, CopyOfInput };

struct FailureCase {
    std::vector<std::string> args;
    std::string err;
    std::string outputFile;  // the file to check afterwards ("" for none)
    Output output;
};

std::vector<FailureCase> Cases()
{
    return {
        {{"-get", "nosuch", "-o", "out", "p0.vnf"}, "ERROR: nosuch section does not exist.\n", "out", Output::None},
        {{"-get", "L1_code", "-o", "nodir/out.bin", "p0.vnf"},
         "ERROR: nodir/out.bin can not be opened for writing.\n", "nodir/out.bin", Output::None},
        {{"-replace", "L1_code", "-o", "out.vnf", "-bits", "missing.bin", "p0.vnf"},
         "ERROR: missing.bin can not be opened for reading.\n", "out.vnf", Output::CopyOfInput},
        {{"-replace", "L1_code", "-bits", "missing.bin", "p0.vnf"},
         "ERROR: missing.bin can not be opened for reading.\n", "", Output::None},
        {{"-replace", "empty", "-o", "out.vnf", "-bits", "zz.txt", "p0.vnf"},
         "ERROR: Cannot replace an empty section 'empty' (index 6).\n", "out.vnf", Output::CopyOfInput},
        {{"-replace", "empty", "-bits", "zz.txt", "p0.vnf"},
         "ERROR: Cannot replace an empty section 'empty' (index 6).\n", "", Output::None},
        {{"-replace", "L1_code", "-o", "out.vnf", "-bits", "zz.txt", "-text", "p0.vnf"},
         "ERROR: Ill-formatted input.\n", "out.vnf", Output::CopyOfInput},
        {{"-replace", "L1_code", "-bits", "zz.txt", "-text", "p0.vnf"}, "ERROR: Ill-formatted input.\n", "",
         Output::None},
        {{"-replace", "L1_code", "-o", "nodir/out.vnf", "-bits", "new.bin", "p0.vnf"},
         "ERROR: 'nodir/out.vnf' can not be opened for writing.\n", "nodir/out.vnf", Output::None},
        {{"-replace", "L1_code", "-o", "out.vnf", "-bits", "adir", "p0.vnf"}, "ERROR: adir could not be read.\n",
         "out.vnf", Output::CopyOfInput},
        // Sections without bytes in the file are refused before any file is made.
        {{"-get", "bss", "-o", "out", "p0.vnf"}, "ERROR: Section 'bss' (index 7) has no contents in the file.\n",
         "out", Output::None},
        {{"-replace", "bss", "-o", "out.vnf", "-bits", "new.bin", "p0.vnf"},
         "ERROR: Section 'bss' (index 7) has no contents in the file.\n", "out.vnf", Output::None},
        {{"-replace", "bss", "-bits", "new.bin", "p0.vnf"},
         "ERROR: Section 'bss' (index 7) has no contents in the file.\n", "", Output::None},
        {{"-get", "L1_code", "o1.ovl"}, "ERROR: 'o1.ovl' is ELF archive, use 'o1.ovl(element)'\n", "", Output::None},
        {{"-get", "L1_code", "p0.vnf(overlay1.elf)"}, "ERROR: 'p0.vnf' is not a valid ELF archive file\n", "",
         Output::None},
        {{"-replace", "L1_code", "-bits", "new.bin", "o1.ovl(nosuch.elf)"},
         "ERROR: 'o1.ovl' contains no 'nosuch.elf' element\n", "", Output::None},
        {{"-get", "L1_code", "o1.ovl(OVERLAY1.ELF)"}, "ERROR: 'o1.ovl' contains no 'OVERLAY1.ELF' element\n", "",
         Output::None},
        {{"-get", "L1_code", "notes.txt"}, "ERROR: 'notes.txt' is not a valid ELF file\n", "", Output::None},
        {{"-get", "data", "wide.elf"}, "ERROR: 'wide.elf' is corruped\n", "", Output::None},
        {{"-replace", "nosuch", "-o", "out.vnf", "-bits", "new.bin", "o1.ovl(overlay1.elf)"},
         "ERROR: nosuch section does not exist.\n", "out.vnf", Output::None},
        {{"-replace", "L1_code", "-o", "/dev/full", "-bits", "new.bin", "p0.vnf"},
         "ERROR: '/dev/full' could not be written: No space left on device\n", "", Output::None},
        {{"-get", "L1_code", "-o", "/dev/full", "p0.vnf"}, "ERROR: /dev/full could not be written.\n", "",
         Output::None},
        // Output files that would destroy the image or the replacement bytes.
        {{"-get", "L1_code", "-o", "./p0.vnf", "p0.vnf"},
         "ERROR: './p0.vnf' is the input file; the section bytes would overwrite the image.\n", "", Output::None},
        {{"-replace", "L1_code", "-o", "new.bin", "-bits", "./new.bin", "p0.vnf"},
         "ERROR: 'new.bin' is both the output and the replacement input; the copy of the image would overwrite "
         "the replacement bytes.\n",
         "", Output::None},
    };
}

std::string Describe(const std::vector<std::string>& args)
{
    std::string text = "sectmend";
    for (const auto& arg : args) text += " " + arg;
    return text;
}

TEST(SectmendFailurePaths, MessageStatusAndFilesAfterwards)
{
    for (const auto& c : Cases()) {
        SCOPED_TRACE(Describe(c.args));
        SampleFolder folder;
        WriteFileText(folder / "zz.txt", "zz");
        WriteFileBytes(folder / "new.bin", PatternBytes(64, 3));
        std::filesystem::create_directory(folder / "adir");
        const std::string input = c.args.back().substr(0, c.args.back().find('('));
        const Bytes original = ReadFileBytes(folder / input);

        const ProgramResult result = folder.run(c.args);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(ReadFileBytes(folder / input), original);
        EXPECT_EQ(ReadFileBytes(folder / "new.bin"), PatternBytes(64, 3));
        if (c.outputFile.empty()) continue;
        if (c.output == Output::None)
            EXPECT_FALSE(std::filesystem::exists(folder / c.outputFile));
        else
            EXPECT_EQ(ReadFileBytes(folder / c.outputFile), original);
    }
}

// A target the run may read but not write. The superuser writes read-only
// files, so as root the run drops to the unprivileged "nobody" account.
TEST(SectmendFailurePaths, UnwritableTargetIsReportedAndLeftAlone)
{
    SampleFolder folder;
    WriteFileBytes(folder / "new.bin", PatternBytes(64, 3));
    namespace fs = std::filesystem;
    fs::permissions(folder / "p0.vnf", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Bytes original = ReadFileBytes(folder / "p0.vnf");

    std::vector<std::string> argv;
    if (geteuid() == 0) {
        argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        if (RunProgram({argv[0], "--reuid=65534", "--regid=65534", "--clear-groups",
                        (ToolsDir() / "sectmend").string()}, {}, folder.path()).status != 0)
            GTEST_SKIP() << "sectmend cannot be run as an unprivileged user here";
    }
    argv.push_back((ToolsDir() / "sectmend").string());
    for (const char* arg : {"-replace", "L1_code", "-bits", "new.bin", "p0.vnf"})
        argv.push_back(arg);
    const ProgramResult result = RunProgram(argv, {}, folder.path());
    EXPECT_EQ(result.err, "ERROR: Could not replace the section data.\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(ReadFileBytes(folder / "p0.vnf"), original);
}

}  // namespace
}  // namespace vantrel::testing
