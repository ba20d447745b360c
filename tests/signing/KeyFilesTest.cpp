#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "SigningTestSupport.h"
#include "signing/KeyFiles.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using testing::Hex;
using testing::HexNumber;
using testing::ReadFileText;
using testing::WriteFileText;

const char* const X = "41FBC28C91D3C6736F5B957B01D4501549FD82281";
const char* const Y = "45E137B1227FB2D84B67491B1212837A7E03A14EE";
const char* const D = "09A4D6792295A7F730FC3F2B49CBC0F62E862272F";  // an odd count of digits

mode_t Permissions(const fs::path& path)
{
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

class KeyFiles : public ::testing::Test {
protected:
    testing::TempDir dir;
    testing::ScopedWorkingDirectory cwd{dir.path()};
};

TEST_F(KeyFiles, WritesTheLayoutsAndReadsThePrivateKeyBack)
{
    ASSERT_TRUE(WriteKeyFiles(HexNumber(X).get(), HexNumber(Y).get(), HexNumber(D).get()).ok());
    EXPECT_EQ(ReadFileText("public.ecs"), std::string(X) + " " + Y + "\n");
    EXPECT_EQ(ReadFileText("private.ecs"), std::string(D + 1) + "\n");
    EXPECT_EQ(Permissions("private.ecs"), 0600u);
    EXPECT_FALSE(fs::exists("private.ecs.tmp"));
    EXPECT_FALSE(fs::exists("public.ecs.tmp"));

    Outcome<BignumPtr> d = ReadPrivateKey();
    ASSERT_TRUE(d.ok()) << d.message();
    EXPECT_EQ(BN_cmp(d.value().get(), HexNumber(D).get()), 0);
}

TEST_F(KeyFiles, ReplacedPrivateKeyFileIsOwnerOnlyEvenWhenTheOldOneWasNot)
{
    WriteFileText("private.ecs", "1\n");
    fs::permissions("private.ecs", fs::perms(0644));
    ASSERT_TRUE(WriteKeyFiles(HexNumber(X).get(), HexNumber(Y).get(), HexNumber(D).get()).ok());
    EXPECT_EQ(Permissions("private.ecs"), 0600u);
}

TEST_F(KeyFiles, FailedWriteLeavesTheEarlierKeyPair)
{
    WriteFileText("public.ecs", "1 2\n");
    WriteFileText("private.ecs", "3\n");
    fs::create_directories("public.ecs.tmp/blocker");
    Outcome<Done> written = WriteKeyFiles(HexNumber(X).get(), HexNumber(Y).get(), HexNumber(D).get());
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.message().rfind("Problem - cannot replace public.ecs.tmp: ", 0), 0u) << written.message();
    EXPECT_EQ(ReadFileText("public.ecs"), "1 2\n");
    EXPECT_EQ(ReadFileText("private.ecs"), "3\n");
    EXPECT_FALSE(fs::exists("private.ecs.tmp"));
}

TEST_F(KeyFiles, MissingPrivateKeyFileAsksForIt)
{
    Outcome<BignumPtr> d = ReadPrivateKey();
    ASSERT_FALSE(d.ok());
    EXPECT_EQ(d.message(),
              "We use private key in file private.ecs,\nPlease check if you have this file in current directory.\n");
}

TEST_F(KeyFiles, PrivateKeyWithoutLineBreakOrEmptyReadsAsZero)
{
    for (const char* text : {"", "ABC"}) {
        WriteFileText("private.ecs", text);
        Outcome<BignumPtr> d = ReadPrivateKey();
        ASSERT_TRUE(d.ok()) << d.message();
        EXPECT_TRUE(BN_is_zero(d.value().get())) << text;
    }
}

TEST_F(KeyFiles, MalformedPrivateKeyIsRefusedWithoutShowingIt)
{
    WriteFileText("private.ecs", "0x9A4D6792295A7F\n");
    Outcome<BignumPtr> d = ReadPrivateKey();
    ASSERT_FALSE(d.ok());
    EXPECT_EQ(d.message(), "Problem - private.ecs does not begin with a hexadecimal number");
}

TEST_F(KeyFiles, SignatureRecordHasROnTheFirstLineAndSOnTheSecond)
{
    ASSERT_TRUE(WriteSignatureRecord(HexNumber("030C45B80BA0E").get(), HexNumber("0").get()).ok());
    EXPECT_EQ(ReadFileText("signature.ecs"), "30C45B80BA0E\n0\n");
}

}  // namespace
}  // namespace vantrel
