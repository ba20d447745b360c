// Key files made by keys generate and keys import never replace another pair
// without --force; keys check tells a pair from two unrelated files; the
// command line's refusals.
#include <gtest/gtest.h>

#include <algorithm>

#include "KeysTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;

const std::string PeloraPublic = "41FBC28C91D3C6736F5B957B01D4501549FD82281 45E137B1227FB2D84B67491B1212837A7E03A14EE";
const std::string PeloraPrivate = "2D93929D23393BF31D7C711119255F283E2DD8DC8";
// The base point G of K-163: the public key of the private key 1.
const std::string BasePoint = "2FE13C0537BBC11ACAA07D793DE4E6D5E5C94EEE8 289070FB05D38FF58321F2E800536D538CCDAA3D9";

struct ReplaceCase {
    const char* name;
    std::vector<std::string> arguments;  // "KEY" stands for an OpenSSL key file on sect163k1
};

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.name; }

class ReplaceTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTest, AnotherPairIsReplacedOnlyWithForceAndKeptAsDatedCopies)
{
    TempDir work, source;
    ASSERT_EQ(OpenSsl({"ecparam", "-name", "sect163k1", "-genkey", "-noout", "-out", "key"}, source.path()).status, 0);
    std::vector<std::string> arguments = GetParam().arguments;
    std::replace(arguments.begin(), arguments.end(), std::string("KEY"), (source / "key").string());
    ASSERT_EQ(Keys({"generate", "--out", work.path().string()}, source.path()).status, 0);
    const FolderBytes before = FilesIn(work.path());

    const auto refused = Keys(arguments, work.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("ERROR: private.ecs and public.ecs hold another key pair and were not replaced"), npos)
        << refused.err;
    EXPECT_NE(refused.err.find("Give --force to replace them"), npos) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(FilesIn(work.path()), before);

    arguments.push_back("--force");
    const auto replaced = Keys(arguments, work.path());
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(Keys({"check"}, work.path()).status, 0);
    // private-<date>.ecs, private.ecs, public-<date>.ecs, public.ecs.
    const FolderBytes after = FilesIn(work.path());
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[0].second, before[0].second) << after[0].first;
    EXPECT_EQ(after[2].second, before[1].second) << after[2].first;
    EXPECT_EQ(fs::status(work / after[0].first).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(replaced.err.find("kept private.ecs as " + after[0].first), npos) << replaced.err;
}

INSTANTIATE_TEST_SUITE_P(Makers, ReplaceTest,
                         ::testing::Values(ReplaceCase{"Generate", {"generate", "--out", "."}},
                                           ReplaceCase{"Import", {"import", "KEY"}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CheckCase {
    const char* name;
    std::string privateKey, publicKey;  // the key files' numbers
    int status;
    const char* message;                // on standard output for 0, else on standard error
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class CheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckTest, TellsAPairFromUnrelatedFiles)
{
    const CheckCase c = GetParam();
    TempDir work;
    WriteFileText(work / "d.ecs", c.privateKey + "\n");
    fs::permissions(work / "d.ecs", fs::perms::owner_read | fs::perms::owner_write);
    WriteFileText(work / "q.ecs", c.publicKey + "\n");
    const auto checked = Keys({"check", "--private-key", "d.ecs", "--public-key", "q.ecs"}, work.path());
    EXPECT_EQ(checked.status, c.status) << checked.err;
    EXPECT_NE((c.status == 0 ? checked.out : checked.err).find(c.message), npos) << checked.out << checked.err;
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CheckTest,
    ::testing::Values(CheckCase{"Pelora", PeloraPrivate, PeloraPublic, 0, "d.ecs and q.ecs hold one key pair\n"},
                      CheckCase{"One", "1", BasePoint, 0, "d.ecs and q.ecs hold one key pair\n"},
                      CheckCase{"Mismatched", PeloraPrivate, BasePoint, 1,
                                "ERROR: q.ecs does not hold the public key of d.ecs: they are not one key pair"},
                      CheckCase{"Zero", "0", BasePoint, 1,
                                "ERROR: the private key in d.ecs is not between 1 and the order of the curve"}),
    [](const auto& info) { return std::string(info.param.name); });

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
    int status;
    const char* out;  // all of standard output
    const char* err;  // part of standard error
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class KeysUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(KeysUsageTest, StatusAndMessages)
{
    const UsageCase c = GetParam();
    TempDir work;
    const auto run = Keys(c.arguments, work.path());
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.err), npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, KeysUsageTest,
    ::testing::Values(
        UsageCase{"Pelora", {"generate", "--pelora", "--out", "."}, 0,
                  "public key = 41FBC28C91D3C6736F5B957B01D4501549FD82281 45E137B1227FB2D84B67491B1212837A7E03A14EE\n",
                  "WARNING: the Pelora key pair is public (anyone can compute it from the curve file): for "
                  "demonstrations only"},
        UsageCase{"NoKeyFile", {"import", "absent.pem"}, 2, "", "absent.pem"},
        UsageCase{"NoAction", {}, 2, "", "(see vantrel-utility keys --help)"},
        UsageCase{"NoFolder", {"generate"}, 2, "", "--out is required"},
        UsageCase{"ExportOverAKeyFile", {"export", "--format", "pem", "-o", "private.ecs"}, 2, "",
                  "-o names a key file (.ecs)"},
        UsageCase{"UnknownFormat", {"export", "--format", "xml"}, 2, "", "xml not in {pem,der,raw,c,sha256}"},
        UsageCase{"MissingPrivateKey", {"check"}, 1, "", "ERROR: We use private key in file private.ecs"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vantrel::testing
