// A protect that cannot finish leaves status 1, no success message, no output
// file and its input as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

struct FailureCase {
    const char* what;
    ImageSpec spec;
    std::vector<std::string> ticks;
    std::string message;  // a part of what standard error says
};

ImageSpec WithSection(ImageSpec spec, const std::string& name, Bytes bytes)
{
    for (auto& section : spec.sections)
        if (section.name == name)
            section.bytes = std::move(bytes);
    return spec;
}

ImageSpec WithoutSection(ImageSpec spec, const std::string& name)
{
    std::erase_if(spec.sections, [&](const SectionSpec& s) { return s.name == name; });
    return spec;
}

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

class ProtectFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ProtectFailureTest, LeavesNoOutputAndNoSuccess)
{
    const FailureCase& c = GetParam();
    TempDir work;
    const auto image = work / "image.vnf";
    const auto output = work / "out.vnf";
    WriteElfImage(image, c.spec);
    const Bytes before = ReadFileBytes(image);

    std::vector<std::string> arguments{"protect", image.string(), "-o", output.string(), "--key-file", "-",
                                       "--purpose", "practical"};
    arguments.insert(arguments.end(), c.ticks.begin(), c.ticks.end());
    const auto run = Utility(arguments, work.path(), std::string(32, 'a'));
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(run.err.find("Successful"), std::string::npos) << c.what;
    EXPECT_FALSE(fs::exists(output)) << c.what;
    EXPECT_EQ(ReadFileBytes(image), before) << c.what;
    for (const auto& entry : fs::directory_iterator(work.path()))
        EXPECT_TRUE(entry.path() == image) << c.what << " left " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProtectFailureTest,
    ::testing::Values(
        FailureCase{"name not kept", ProtectableImage(), {"--hash", "L2_Hash", "--aes", "NoSuchSection"},
                    "ERROR: section 'NoSuchSection' is not a section of "},
        FailureCase{"reserved name", ProtectableImage(), {"--aes", "msg_code"},
                    "section 'msg_code' holds the protection's own data"},
        FailureCase{"size not a multiple of 16", WithSection(ProtectableImage(), "L2_Hash", PatternBytes(40, 1)),
                    {"--aes", "L1_Code_Encrypt", "--hash", "L2_Hash"}, "multiple of 16"},
        FailureCase{"no AESData section", WithoutSection(ProtectableImage(), "AESData"), {"--hash", "L2_Hash"},
                    "Can't find AESData section"},
        FailureCase{"record does not fit AESData", WithSection(ProtectableImage(), "AESData", Bytes(64, 0)),
                    {"--hash", "L2_Hash", "--hash", "L1_Code_Hash"}, "AESData"}));

TEST(ProtectNamesTest, EveryMissingNameIsNamedOnce)
{
    TempDir work;
    const auto image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    const auto run = Utility({"protect", image.string(), "-o", (work / "out.vnf").string(), "--key-file", "-",
                              "--hash", "Alpha", "--aes", "Beta", "--aes", "Alpha", "--hash", "L2_Hash"},
                             work.path(), std::string(32, 'a'));
    EXPECT_EQ(run.status, 1);
    // Demonstration + Multi (the defaults) keep the ShareFunctionSection rows
    // only. The --hash names come first, then the --aes names.
    EXPECT_NE(run.err.find("ERROR: section 'Alpha' is not a section of " + image.string() +
                           " with contents to protect (--purpose demonstration --entry multi offers "
                           "ShareFunctionSection1, ShareFunctionSection2); section 'L2_Hash' is offered with "
                           "--purpose practical, not with --purpose demonstration --entry multi; section 'Beta' "
                           "is not a section of "),
              std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace vantrel::testing
