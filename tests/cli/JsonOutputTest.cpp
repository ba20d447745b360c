// --json output: valid JSON whatever the paths hold, with the values the
// commands found.
#include <gtest/gtest.h>

#include <sstream>

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
    ASSERT_EQ(Utility({"sign", image.string(), "--key-pair", "pelora"}, work.path()).status, 0);
    WriteElfImage(image, ProtectableImage());  // back to unsigned

    const auto run = Utility({"verify", image.string(), "--json"}, work.path());
    EXPECT_EQ(run.status, 1);
    const json report = json::parse(run.out);
    EXPECT_EQ(report["image"], (work / OddNameAsJson).string());
    EXPECT_EQ(report["publicKey"], (work / "public.ecs").string());
    EXPECT_EQ(report["verified"], false);
    ASSERT_EQ(report["checks"].size(), 2u) << report.dump();
    EXPECT_EQ(report["checks"][0]["subject"], "signature");
    EXPECT_EQ(report["checks"][0]["result"], "failed");
    EXPECT_EQ(report["checks"][1]["result"], "skipped");
}

// The raw public key X||Y (21 bytes each) of a public key file "X Y".
Bytes RawPublicKey(const std::filesystem::path& publicKey)
{
    std::istringstream numbers(ReadFileText(publicKey));
    Bytes raw;
    for (std::string number; numbers >> number;) {
        number.insert(0, 42 - number.size(), '0');
        for (std::size_t i = 0; i < number.size(); i += 2)
            raw.push_back(static_cast<std::uint8_t>(std::stoul(number.substr(i, 2), nullptr, 16)));
    }
    return raw;
}

TEST(SignJsonTest, NamesThePublicKeyWhoseFingerprintOpensslAndVerifyAgreeOn)
{
    TempDir work;
    const auto image = work / OddName;
    WriteElfImage(image, ProtectableImage());
    std::filesystem::create_directory(work / "keys");
    const auto run = Utility({"sign", image.string(), "--key-pair", "generate", "--private-key", "keys/d.ecs",
                              "--public-key", "keys/q.ecs", "--json"},
                             work.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const json result = json::parse(run.out);
    EXPECT_EQ(result["image"], (work / OddNameAsJson).string());
    EXPECT_EQ(result["publicKey"], (work / "keys/q.ecs").string());

    WriteFileBytes(work / "raw.bin", RawPublicKey(work / "keys/q.ecs"));
    const auto digest = RunProgram({"/usr/bin/openssl", "dgst", "-sha256", "-r", (work / "raw.bin").string()});
    ASSERT_EQ(digest.status, 0) << digest.err;
    EXPECT_EQ(result["fingerprint"], digest.out.substr(0, 64));

    const auto verified = Utility({"verify", image.string(), "--public-key", "keys/q.ecs", "--json"}, work.path());
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    EXPECT_EQ(json::parse(verified.out)["fingerprint"], result["fingerprint"]);
    EXPECT_EQ(json::parse(verified.out)["publicKey"], result["publicKey"]);
}

TEST(ProtectJsonTest, NamesTheOutputAndWhatWasProtected)
{
    TempDir work;
    const auto image = work / "image.vnf";
    WriteElfImage(image, ProtectableImage());
    const auto run = Utility({"protect", image.string(), "-o", OddName, "--key-file", "-", "--key-len", "256",
                              "--aes", "ShareFunctionSection2", "--hash", "ShareFunctionSection1", "--json"},
                             work.path(), std::string(64, 'a'));
    ASSERT_EQ(run.status, 0) << run.err;
    const json expected = {{"image", image.string()},
                           {"output", (work / OddNameAsJson).string()},
                           {"keyLength", 256},
                           {"mode", "cbc"},
                           {"encrypted", json::array({"ShareFunctionSection2"})},
                           {"hashed", json::array({"ShareFunctionSection1"})}};
    EXPECT_EQ(json::parse(run.out), expected);
}

}  // namespace
}  // namespace vantrel::testing
