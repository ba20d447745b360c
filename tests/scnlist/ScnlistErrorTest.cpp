#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ostream>
#include <string>
#include <vector>

#include "ElfMaker.h"
#include "TestSupport.h"
#include "core/LittleEndian.h"

namespace vantrel::testing {
namespace {

// Arguments after "scnlist" with "@" standing for the temporary folder; the
// one "ERROR: ..." line expected on standard error; status 1, no output.
struct ErrorCase {
    const char* label;
    std::vector<std::string> arguments;
    std::string error;
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << c.label; }

class ScnlistError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ScnlistError, ReportsOneErrorLineAndStatusOne)
{
    TempDir dir;
    WriteFileText(dir / "text.vnf", "not an image\n");
    WriteFileBytes(dir / "wide.vnf", Make64BitElf());
    WriteArchive(dir / "lib.a", {{"a.o", MakeElfImage(SampleImage())}});
    WriteFileBytes(dir / "empty.vnf", {});
    Bytes truncated = MakeElfImage(SampleImage());
    truncated.resize(truncated.size() - 100);
    WriteFileBytes(dir / "truncated.vnf", truncated);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    // The ELF header leaves the count to section 0, which holds none, or
    // lies past the end of the file.
    Bytes noCount = MakeElfImage(SampleImage());
    noCount.at(48) = noCount.at(49) = 0;
    WriteFileBytes(dir / "nocount.vnf", noCount);
    StoreLittleEndian32(&noCount.at(32), static_cast<std::uint32_t>(noCount.size()) + 8);
    WriteFileBytes(dir / "zeropast.vnf", noCount);

    // A run that would block is killed: a failure, not a hung test.
    std::vector<std::string> argv{"/usr/bin/timeout", "-s", "KILL", "20", (ToolsDir() / "scnlist").string()};
    for (std::string argument : GetParam().arguments) {
        if (const auto at = argument.find('@'); at != std::string::npos)
            argument.replace(at, 1, dir.path().string());
        argv.push_back(argument);
    }
    std::string error = GetParam().error;
    if (const auto at = error.find('@'); at != std::string::npos)
        error.replace(at, 1, dir.path().string());

    const ProgramResult result = RunProgram(argv);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, error + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScnlistError,
    ::testing::Values(
        ErrorCase{"NoArguments", {}, "ERROR: usage: scnlist -sh FILE"},
        ErrorCase{"NoFile", {"-sh"}, "ERROR: usage: scnlist -sh FILE"},
        ErrorCase{"OtherOption", {"-S", "@/text.vnf"}, "ERROR: usage: scnlist -sh FILE"},
        ErrorCase{"TwoFiles", {"-sh", "@/text.vnf", "@/wide.vnf"}, "ERROR: usage: scnlist -sh FILE"},
        ErrorCase{"MissingFile", {"-sh", "@/nosuch.vnf"},
                  "ERROR: '@/nosuch.vnf' could not be opened: No such file or directory"},
        ErrorCase{"NotElf", {"-sh", "@/text.vnf"}, "ERROR: '@/text.vnf' is not an ELF file"},
        ErrorCase{"EmptyFile", {"-sh", "@/empty.vnf"}, "ERROR: '@/empty.vnf' is not an ELF file"},
        ErrorCase{"SixtyFourBit", {"-sh", "@/wide.vnf"},
                  "ERROR: '@/wide.vnf' is a 64-bit ELF file; only 32-bit files are listed"},
        ErrorCase{"Archive", {"-sh", "@/lib.a"},
                  "ERROR: '@/lib.a' is an archive; only single ELF files are listed"},
        ErrorCase{"Fifo", {"-sh", "@/fifo"}, "ERROR: '@/fifo' is not a regular file"},
        ErrorCase{"Folder", {"-sh", "@"}, "ERROR: '@' is not a regular file"},
        ErrorCase{"NoCountInSectionZero", {"-sh", "@/nocount.vnf"},
                  "ERROR: '@/nocount.vnf' is corrupted: its section header table gives no section count"},
        ErrorCase{"SectionZeroPastTheEnd", {"-sh", "@/zeropast.vnf"},
                  "ERROR: '@/zeropast.vnf' is corrupted: its section header table gives no section count"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ScnlistErrorTest, TruncatedSectionHeaderTableIsAnErrorNotAListing)
{
    TempDir dir;
    Bytes truncated = MakeElfImage(SampleImage());
    truncated.resize(truncated.size() - 100);
    WriteFileBytes(dir / "truncated.vnf", truncated);
    const ProgramResult result = RunProgram({(ToolsDir() / "scnlist").string(), "-sh", (dir / "truncated.vnf").string()});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("ERROR: '" + (dir / "truncated.vnf").string() + "' ", 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1);
}

// Output that cannot be written fails the run with one ERROR line; the shell
// gives scnlist a full or a closed standard output.
TEST(ScnlistErrorTest, UnwritableStandardOutputIsAnError)
{
    TempDir dir;
    WriteElfImage(dir / "a.vnf", SampleImage());
    const std::string scnlist = "'" + (ToolsDir() / "scnlist").string() + "'";
    const std::string listing = "ERROR: the listing of 'a.vnf' could not be written\n";
    const std::string usage = "ERROR: the usage text could not be written\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"-sh a.vnf >/dev/full", listing},
        {"-sh a.vnf >&-", listing},
        {"--help >/dev/full", usage},
        {"--help >&-", usage},
        {"--help", ""},
    };
    for (const auto& [arguments, error] : cases) {
        const ProgramResult result = RunProgram({"/bin/sh", "-c", "exec " + scnlist + " " + arguments}, {}, dir.path());
        EXPECT_EQ(result.err, error) << arguments;
        EXPECT_EQ(result.status, error.empty() ? 0 : 1) << arguments;
        if (error.empty()) {
            EXPECT_EQ(result.out.rfind("Usage: scnlist -sh FILE\n", 0), 0u) << result.out;
        }
    }
}

}  // namespace
}  // namespace vantrel::testing
