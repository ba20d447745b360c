// --json output: valid JSON whatever the paths hold, with the values the
// commands found.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

using nlohmann::json;

// Quotes, a backslash and a byte that is not UTF-8 (which the output gives
// as U+FFFD).
const std::string OddName = "it's \"odd\" \\ \xff name.vnf";
const std::string OddNameAsJson = "it's \"odd\" \\ \xef\xbf\xbd name.vnf";

TEST(SectionsJsonTest, ListsTheKeptSectionsWithAddressSizeAndAesDataSize)
{
    TempDir work;
    const auto image = work / OddName;
    WriteElfImage(image, ProtectableImage());

    struct Case {
        std::vector<std::string> choice;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {{}, {"ShareFunctionSection1", "ShareFunctionSection2"}},
        {{"--entry", "single"}, {"L1_Code_Hash", "L1_Code_Encrypt", "L2_Hash", "L2_Encrypt"}},
        {{"--purpose", "practical"},
         {"L1_Code_Hash", "L1_Code_Encrypt", "L2_Hash", "L2_Encrypt", "ShareFunctionSection1",
          "ShareFunctionSection2"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"sections", image.string(), "--json"};
        arguments.insert(arguments.end(), c.choice.begin(), c.choice.end());
        const auto run = Utility(arguments, work.path());
        ASSERT_EQ(run.status, 0) << run.err;
        const json inventory = json::parse(run.out);
        EXPECT_EQ(inventory["image"], (work / OddNameAsJson).string());
        EXPECT_EQ(inventory["aesDataSize"], 256);
        std::vector<std::string> names;
        for (const auto& section : inventory["sections"])
            names.push_back(section["name"]);
        EXPECT_EQ(names, c.names);
    }

    const auto run = Utility({"sections", image.string(), "--json", "--entry", "single"}, work.path());
    const json second = json::parse(run.out)["sections"].at(1);
    EXPECT_EQ(second, json::parse(R"({"name": "L1_Code_Encrypt", "address": 134218784, "size": 48})"));
}

TEST(SectionsJsonTest, AnImageWithoutAesDataReportsSizeZero)
{
    TempDir work;
    const auto image = work / "image.vnf";
    ImageSpec spec = ProtectableImage();
    spec.sections.erase(spec.sections.begin() + 3);  // AESData
    WriteElfImage(image, spec);
    const auto run = Utility({"sections", image.string(), "--json"}, work.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)["aesDataSize"], 0);
}

TEST(SectionsJsonTest, AnImageThatIsNotElfFailsWithoutOutput)
{
    TempDir work;
    const auto image = work / "notes.txt";
    WriteFileText(image, "not an image\n");
    const auto run = Utility({"sections", image.string(), "--json"}, work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("ERROR: ", 0), 0u) << run.err;
}

TEST(VerifyJsonTest, ReportsEveryCheckOfAnUnsignedImage)
{
    TempDir work;
    const auto image = work / OddName;
    WriteElfImage(image, ProtectableImage());
    ASSERT_EQ(Utility({"sign", image.string()}, work.path()).status, 0);  // writes public.ecs
    WriteElfImage(image, ProtectableImage());                            // back to unsigned

    const auto run = Utility({"verify", image.string(), "--json"}, work.path());
    EXPECT_EQ(run.status, 1);
    const json report = json::parse(run.out);
    EXPECT_EQ(report["image"], (work / OddNameAsJson).string());
    EXPECT_EQ(report["verified"], false);
    ASSERT_EQ(report["checks"].size(), 2u) << report.dump();
    EXPECT_EQ(report["checks"][0]["subject"], "signature");
    EXPECT_EQ(report["checks"][0]["result"], "failed");
    EXPECT_EQ(report["checks"][1]["result"], "skipped");
}

}  // namespace
}  // namespace vantrel::testing
