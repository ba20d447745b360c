// --json output: valid JSON whatever the names hold, with the values the
// commands found.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "MiniJson.h"
#include "cli/JsonText.h"

namespace vantrel::testing {
namespace {

TEST(JsonTextTest, EscapesEverythingJsonRequires)
{
    struct Case {
        std::string text;
        std::string literal;
        std::string parsed;  // what a JSON reader gets back
    };
    const Case cases[] = {
        {"plain", "\"plain\"", "plain"},
        {"a\"b\\c", "\"a\\\"b\\\\c\"", "a\"b\\c"},
        {"line\nend\ttab\r", "\"line\\nend\\ttab\\r\"", "line\nend\ttab\r"},
        {std::string("nul\0x", 5), "\"nul\\u0000x\"", std::string("nul\0x", 5)},
        {"\x01\x1f\x7f", "\"\\u0001\\u001f\\u007f\"", "\x01\x1f\x7f"},
        {"caf\xc3\xa9", "\"caf\xc3\xa9\"", "caf\xc3\xa9"},                 // valid UTF-8 kept
        {"bad\xff\xc3", "\"bad\\ufffd\\ufffd\"", "bad\xef\xbf\xbd\xef\xbf\xbd"},  // invalid bytes replaced
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\"", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},  // surrogate
    };
    for (const auto& c : cases) {
        const std::string literal = cli::JsonString(c.text);
        EXPECT_EQ(literal, c.literal);
        EXPECT_EQ(JsonReader::Parse(literal).text, c.parsed);
    }
}

TEST(SectionsJsonTest, ListsTheKeptSectionsWithAddressSizeAndAesDataSize)
{
    TempDir work;
    const auto image = work / "it's \"odd\" \\ name.vnf";
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
        const JsonValue inventory = JsonReader::Parse(run.out);
        EXPECT_EQ(inventory["image"].text, image.string());
        EXPECT_EQ(inventory["aesDataSize"].number, 256);
        std::vector<std::string> names;
        for (const auto& section : inventory["sections"].items)
            names.push_back(section["name"].text);
        EXPECT_EQ(names, c.names);
    }

    const auto run = Utility({"sections", image.string(), "--json", "--entry", "single"}, work.path());
    const JsonValue first = JsonReader::Parse(run.out)["sections"].items.at(1);
    EXPECT_EQ(first["name"].text, "L1_Code_Encrypt");
    EXPECT_EQ(first["address"].number, 0x08000420);
    EXPECT_EQ(first["size"].number, 48);
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
    EXPECT_EQ(JsonReader::Parse(run.out)["aesDataSize"].number, 0);
}

TEST(SectionsJsonTest, AnImageThatIsNotElfFailsWithoutOutput)
{
    TempDir work;
    const auto image = work / "notes.txt";
    WriteFileText(image, "not an image\n");
    const auto run = Utility({"sections", image.string(), "--json"}, work.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("ERROR: "), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vantrel::testing
