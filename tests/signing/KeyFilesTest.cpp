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

// A private key file as a user keeps it: readable by its owner only.
void WritePrivateKeyText(const std::string& text)
{
    WriteFileText("private.ecs", text);
    fs::permissions("private.ecs", fs::perms::owner_read | fs::perms::owner_write);
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
    EXPECT_EQ(testing::FileNamesIn(dir.path()), (std::vector<std::string>{"private.ecs", "public.ecs"}));

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

// Both files are written under fresh names before either replaces its key
// file: a private.ecs that cannot be replaced leaves both as they were.
TEST_F(KeyFiles, FailedWriteOfEitherFileLeavesTheEarlierKeyPairAndNoOtherFile)
{
    for (const std::string broken : {"private.ecs", "public.ecs"}) {
        const std::string kept = broken == "private.ecs" ? "public.ecs" : "private.ecs";
        fs::remove_all("private.ecs");
        fs::remove_all("public.ecs");
        WriteFileText(kept, "1 2\n");
        fs::create_directory(broken);
        Outcome<Done> written = WriteKeyFiles(HexNumber(X).get(), HexNumber(Y).get(), HexNumber(D).get());
        ASSERT_FALSE(written.ok()) << broken;
        EXPECT_EQ(written.message(), broken + " exists and is not a regular file; it is never replaced. Nothing "
                                              "was written.\n");
        EXPECT_EQ(ReadFileText(kept), "1 2\n") << broken;
        EXPECT_TRUE(fs::is_empty(broken));
        EXPECT_EQ(testing::FileNamesIn(dir.path()), (std::vector<std::string>{"private.ecs", "public.ecs"}));
    }
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
        WritePrivateKeyText(text);
        Outcome<BignumPtr> d = ReadPrivateKey();
        ASSERT_TRUE(d.ok()) << d.message();
        EXPECT_TRUE(BN_is_zero(d.value().get())) << text;
    }
}

TEST_F(KeyFiles, MalformedPrivateKeyIsRefusedWithoutShowingIt)
{
    WritePrivateKeyText("0x9A4D6792295A7F\n");
    Outcome<BignumPtr> d = ReadPrivateKey();
    ASSERT_FALSE(d.ok());
    EXPECT_EQ(d.message(), "Problem - private.ecs does not begin with a hexadecimal number");
}

// A private key others can read, and a key file with anything after its
// numbers, are refused; the message says what fixes it.
TEST_F(KeyFiles, AnExposedPrivateKeyOrTrailingTextIsRefused)
{
    const std::string exposed = "Problem - private.ecs is readable by others than its owner, and a private key must "
                                "not be; make it the owner's only with: chmod 600 private.ecs";
    const std::string trailing = "Problem - private.ecs holds something after its number; it cannot be a private "
                                 "key file";
    const struct {
        std::string text;
        unsigned mode;
        std::string message;
    } cases[] = {
        {"1A\n", 0640, exposed},
        {"1A\n", 0604, exposed},
        {"1A 2B\n", 0600, trailing},
        {"1A\nnot a key\n", 0600, trailing},
        {"1A\n\n  \n", 0600, ""},
    };
    for (const auto& c : cases) {
        WriteFileText("private.ecs", c.text);
        fs::permissions("private.ecs", fs::perms(c.mode));
        const Outcome<BignumPtr> d = ReadPrivateKey();
        EXPECT_EQ(d.message(), c.message) << c.text << " " << std::oct << c.mode;
    }
    WriteFileText("public.ecs", "1A 2B 3C\n");
    EXPECT_EQ(ReadPublicKey().message(), "the public key file public.ecs holds something after its two numbers X Y; "
                                         "it cannot be a public key file");
}

TEST_F(KeyFiles, SignatureRecordHasROnTheFirstLineAndSOnTheSecondOnceCommitted)
{
    WriteFileText("signature.ecs", "old\n");
    {
        Outcome<PendingFile> dropped = PrepareSignatureRecord(HexNumber("1").get(), HexNumber("2").get());
        ASSERT_TRUE(dropped.ok()) << dropped.message();
    }
    EXPECT_EQ(ReadFileText("signature.ecs"), "old\n");
    Outcome<PendingFile> record = PrepareSignatureRecord(HexNumber("030C45B80BA0E").get(), HexNumber("0").get());
    ASSERT_TRUE(record.ok()) << record.message();
    ASSERT_TRUE(record.value().Commit().ok());
    EXPECT_EQ(ReadFileText("signature.ecs"), "30C45B80BA0E\n0\n");
    EXPECT_EQ(testing::FileNamesIn(dir.path()), std::vector<std::string>{"signature.ecs"});
}

}  // namespace
}  // namespace vantrel
