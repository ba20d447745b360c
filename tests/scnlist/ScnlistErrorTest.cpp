#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "ElfMaker.h"
#include "TestSupport.h"

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

    std::vector<std::string> argv{(ToolsDir() / "scnlist").string()};
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
                  "ERROR: '@/lib.a' is an archive; only single ELF files are listed"}),
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

}  // namespace
}  // namespace vantrel::testing
