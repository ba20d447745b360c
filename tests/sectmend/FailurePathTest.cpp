// Every way a run fails: the one message, status 1, and what the files hold
// afterwards. The input image never changes, and the output file is as it
// was before the run: still missing, or still holding what it held.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

#include "SectmendRun.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

struct FailureCase {
    std::vector<std::string> args;
    std::string err;
    std::string outputFile;  // the file to check afterwards ("" for none)
};

std::vector<FailureCase> Cases()
{
    return {
        {{"-get", "nosuch", "-o", "out", "p0.vnf"}, "ERROR: nosuch section does not exist.\n", "out"},
        {{"-get", "L1_code", "-o", "nodir/out.bin", "p0.vnf"},
         "ERROR: Could not create a file beside nodir/out.bin: No such file or directory.\n", "nodir/out.bin"},
        {{"-replace", "L1_code", "-o", "out.vnf", "-bits", "missing.bin", "p0.vnf"},
         "ERROR: missing.bin can not be opened for reading.\n", "out.vnf"},
        {{"-replace", "L1_code", "-bits", "missing.bin", "p0.vnf"},
         "ERROR: missing.bin can not be opened for reading.\n", ""},
        {{"-replace", "empty", "-o", "out.vnf", "-bits", "zz.txt", "p0.vnf"},
         "ERROR: Cannot replace an empty section 'empty' (index 6).\n", "out.vnf"},
        {{"-replace", "empty", "-bits", "zz.txt", "p0.vnf"},
         "ERROR: Cannot replace an empty section 'empty' (index 6).\n", ""},
        {{"-replace", "L1_code", "-o", "out.vnf", "-bits", "zz.txt", "-text", "p0.vnf"},
         "ERROR: Ill-formatted input.\n", "out.vnf"},
        {{"-replace", "L1_code", "-bits", "late.txt", "-text", "p0.vnf"}, "ERROR: Ill-formatted input.\n", ""},
        {{"-replace", "L1_code", "-o", "nodir/out.vnf", "-bits", "new.bin", "p0.vnf"},
         "ERROR: Could not create a file beside nodir/out.vnf: No such file or directory.\n", "nodir/out.vnf"},
        {{"-replace", "L1_code", "-o", "out.vnf", "-bits", "adir", "p0.vnf"}, "ERROR: adir could not be read.\n",
         "out.vnf"},
        {{"-replace", "L1_code", "-bits", "adir", "p0.vnf"}, "ERROR: adir could not be read.\n", ""},
        // Sections without bytes in the file are refused before any file is made.
        {{"-get", "bss", "-o", "out", "p0.vnf"}, "ERROR: Section 'bss' (index 7) has no contents in the file.\n",
         "out"},
        {{"-replace", "bss", "-o", "out.vnf", "-bits", "new.bin", "p0.vnf"},
         "ERROR: Section 'bss' (index 7) has no contents in the file.\n", "out.vnf"},
        {{"-replace", "bss", "-bits", "new.bin", "p0.vnf"},
         "ERROR: Section 'bss' (index 7) has no contents in the file.\n", ""},
        {{"-get", "L1_code", "o1.ovl"}, "ERROR: 'o1.ovl' is ELF archive, use 'o1.ovl(element)'\n", ""},
        {{"-get", "L1_code", "p0.vnf(overlay1.elf)"}, "ERROR: 'p0.vnf' is not a valid ELF archive file\n", ""},
        {{"-replace", "L1_code", "-bits", "new.bin", "o1.ovl(nosuch.elf)"},
         "ERROR: 'o1.ovl' contains no 'nosuch.elf' element\n", ""},
        {{"-get", "L1_code", "o1.ovl(OVERLAY1.ELF)"}, "ERROR: 'o1.ovl' contains no 'OVERLAY1.ELF' element\n", ""},
        {{"-get", "L1_code", "notes.txt"}, "ERROR: 'notes.txt' is not a valid ELF file\n", ""},
        {{"-get", "data", "wide.elf"}, "ERROR: 'wide.elf' is corruped\n", ""},
        {{"-get", "L1_code", "adir"}, "ERROR: 'adir' is not a regular file\n", ""},
        {{"-replace", "nosuch", "-o", "out.vnf", "-bits", "new.bin", "o1.ovl(overlay1.elf)"},
         "ERROR: nosuch section does not exist.\n", "out.vnf"},
        // A changed image is renamed into place, which a device cannot take.
        {{"-replace", "L1_code", "-o", "/dev/full", "-bits", "new.bin", "p0.vnf"},
         "ERROR: /dev/full exists and is not a regular file; it is never replaced. Nothing was written.\n", ""},
        {{"-get", "L1_code", "-o", "/dev/full", "p0.vnf"}, "ERROR: /dev/full could not be written.\n", ""},
        // Options after the input file would be dropped, and the image
        // changed from standard input.
        {{"-replace", "L1_code", "p0.vnf", "-o", "out.vnf", "-bits", "new.bin"},
         "SYNTAX ERROR: Nothing may follow the input file name with -replace\n", "out.vnf"},
        // Output files that would destroy the image or the replacement bytes.
        {{"-get", "L1_code", "-o", "./p0.vnf", "p0.vnf"},
         "ERROR: './p0.vnf' is the input file; the section bytes would overwrite the image.\n", ""},
        {{"-replace", "L1_code", "-o", "new.bin", "-bits", "./new.bin", "p0.vnf"},
         "ERROR: 'new.bin' is both the output and the replacement input; the copy of the image would overwrite "
         "the replacement bytes.\n",
         ""},
    };
}

std::string Describe(const std::vector<std::string>& args)
{
    std::string text = "sectmend";
    for (const auto& arg : args) text += " " + arg;
    return text;
}

// Every name in a folder with the bytes and permissions of its regular files.
std::map<std::string, std::pair<Bytes, fs::perms>> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::pair<Bytes, fs::perms>> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        auto& file = files[entry.path().filename().string()];
        if (entry.is_regular_file()) file = {ReadFileBytes(entry.path()), entry.status().permissions()};
    }
    return files;
}

TEST(SectmendFailurePaths, MessageStatusAndFilesAfterwards)
{
    for (const auto& c : Cases()) {
        // Each run with the output missing, then with an earlier output there.
        for (bool earlierOutput : {false, true}) {
            SCOPED_TRACE(Describe(c.args) + (earlierOutput ? " (an earlier output is there)" : ""));
            SampleFolder folder;
            WriteFileText(folder / "zz.txt", "zz");
            // Good text for 40 of L1_code's 64 bytes, then a pair that is not.
            WriteFileText(folder / "late.txt", std::string(80, 'a') + "zz");
            WriteFileBytes(folder / "new.bin", PatternBytes(64, 3));
            fs::create_directory(folder / "adir");
            if (earlierOutput) {
                if (c.outputFile.empty() || !fs::exists((folder / c.outputFile).parent_path())) continue;
                WriteFileText(folder / c.outputFile, "an earlier output\n");
                fs::permissions(folder / c.outputFile, fs::perms::owner_read | fs::perms::owner_write |
                                                           fs::perms::group_read);
            }
            const auto before = Snapshot(folder.path());

            const ProgramResult result = folder.run(c.args);
            EXPECT_EQ(result.err, c.err);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.status, 1);
            // No file changed, none appeared, none went.
            EXPECT_EQ(Snapshot(folder.path()), before);
        }
    }
}

// Targets the run may read but not write: the image of an in-place replace,
// and outputs made read-only, which are not replaced either (the folder
// would allow it). The superuser writes read-only files, so as root the runs
// drop to the unprivileged "nobody" account.
TEST(SectmendFailurePaths, UnwritableTargetsAreReportedAndLeftAlone)
{
    SampleFolder folder;
    WriteFileBytes(folder / "new.bin", PatternBytes(64, 3));
    WriteFileText(folder / "ro.vnf", "read-only\n");
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    for (const char* name : {"p0.vnf", "ro.vnf"}) fs::permissions(folder / name, readOnly);
    fs::permissions(folder.path(), fs::perms::all);

    std::vector<std::string> prefix;
    if (geteuid() == 0) {
        prefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        std::vector<std::string> probe = prefix;
        probe.push_back((ToolsDir() / "sectmend").string());
        if (RunProgram(probe, {}, folder.path()).status != 0)
            GTEST_SKIP() << "sectmend cannot be run as an unprivileged user here";
    }
    const std::vector<std::pair<std::vector<std::string>, std::string>> runs = {
        {{"-replace", "L1_code", "-bits", "new.bin", "p0.vnf"},
         "ERROR: p0.vnf is read-only (its owner made it so); it is not replaced. Nothing was written.\n"},
        {{"-replace", "L1_code", "-o", "ro.vnf", "-bits", "new.bin", "p0.vnf"},
         "ERROR: ro.vnf is read-only (its owner made it so); it is not replaced. Nothing was written.\n"},
        {{"-get", "L1_code", "-o", "ro.vnf", "p0.vnf"}, "ERROR: ro.vnf is read-only (its owner made it so); it is not replaced. Nothing was written.\n"},
    };
    const auto before = Snapshot(folder.path());
    for (const auto& [args, err] : runs) {
        std::vector<std::string> argv = prefix;
        argv.push_back((ToolsDir() / "sectmend").string());
        argv.insert(argv.end(), args.begin(), args.end());
        const ProgramResult result = RunProgram(argv, {}, folder.path());
        EXPECT_EQ(result.err, err);
        EXPECT_EQ(result.status, 1);
    }
    EXPECT_EQ(Snapshot(folder.path()), before);
}

}  // namespace
}  // namespace vantrel::testing
