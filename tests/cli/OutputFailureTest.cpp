// Results that cannot be written are a failure: with standard output on a
// full device or closed, a command that succeeds otherwise says so in one
// line and ends with status 1, not 0.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

struct OutputCase {
    const char* name;
    std::vector<std::string> arguments;  // "IMAGE" stands for the image's path
    std::string redirection;
    std::string reason;
    int extraSections = 0;  // more sections, for output longer than any buffer
};

void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.name; }

class OutputFailureTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputFailureTest, IsReportedWithStatusOne)
{
    TempDir work;
    const auto image = work / "image.vnf";
    ImageSpec spec = ProtectableImage();
    for (int i = 0; i < GetParam().extraSections; ++i)
        spec.sections.push_back({"extra_" + std::to_string(i), PatternBytes(16, 9), 1, 2,
                                 0x08001000 + 16 * static_cast<std::uint32_t>(i)});
    WriteElfImage(image, spec);
    ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path()).status, 0);
    const Bytes before = ReadFileBytes(image);
    std::vector<std::string> arguments = GetParam().arguments;
    for (auto& argument : arguments)
        if (argument == "IMAGE")
            argument = image.string();

    // The same command succeeds and prints when its output can be written.
    const auto written = Utility(arguments, work.path());
    ASSERT_EQ(written.status, 0) << written.err;
    ASSERT_NE(written.out, "");

    const auto lost = UtilityRedirected(arguments, work.path(), GetParam().redirection);
    EXPECT_EQ(lost.status, 1);
    // The one error, after the warnings of the Pelora key the image is signed with.
    EXPECT_TRUE(lost.err.ends_with("\nERROR: Cannot write to standard output: " + GetParam().reason + "\n") ||
                lost.err == "ERROR: Cannot write to standard output: " + GetParam().reason + "\n")
        << lost.err;
    EXPECT_EQ(lost.err.find("ERROR"), lost.err.rfind("ERROR")) << lost.err;
    EXPECT_EQ(ReadFileBytes(image), before);
}

const std::string Full = "No space left on device";
const std::string Closed = "Bad file descriptor";

INSTANTIATE_TEST_SUITE_P(
    Outputs, OutputFailureTest,
    ::testing::Values(OutputCase{"sections", {"sections", "IMAGE"}, ">/dev/full", Full},
                      OutputCase{"sections_long", {"sections", "IMAGE", "--purpose", "practical"}, ">/dev/full", Full,
                                 200},
                      OutputCase{"verify_json", {"verify", "IMAGE", "--json"}, ">/dev/full", Full},
                      OutputCase{"help", {"--help"}, ">/dev/full", Full},
                      OutputCase{"version", {"--version"}, ">/dev/full", Full},
                      OutputCase{"keys_export_pem", {"keys", "export", "--format", "pem"}, ">/dev/full", Full},
                      OutputCase{"help_closed", {"--help"}, ">&-", Closed},
                      OutputCase{"keys_export_closed", {"keys", "export", "--format", "pem"}, ">&-", Closed}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel::testing
