// Twenty protect runs and two sign runs on different images in one folder,
// all at the same time: each works in its own private folder, so every
// output is whole and verifies.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "filereplace/FileReplacement.h"

namespace vantrel::testing {
namespace {

const std::string Key = "000102030405060708090a0b0c0d0e0f";

TEST(ParallelRuns, TwentyProtectsAndTwoSignsInOneFolderAllVerify)
{
    TempDir dir;
    WriteElfImage(dir / "signed.vnf", ProtectableImage());
    ASSERT_EQ(Utility({"sign", "signed.vnf", "--key-pair", "pelora"}, dir.path()).status, 0);
    constexpr int Protects = 20;
    for (int i = 0; i < Protects; ++i)
        std::filesystem::copy_file(dir / "signed.vnf", dir / ("in" + std::to_string(i) + ".vnf"));
    WriteElfImage(dir / "a.vnf", ProtectableImage());
    WriteElfImage(dir / "b.vnf", ProtectableImage());

    std::vector<std::future<ProgramResult>> runs;
    for (int i = 0; i < Protects; ++i) {
        const std::string n = std::to_string(i);
        runs.push_back(std::async(std::launch::async, [&dir, n] {
            return Utility({"protect", "in" + n + ".vnf", "-o", "out" + n + ".vnf", "--key-file", "-", "--entry",
                            "single", "--aes", "L1_Code_Encrypt", "--hash", "L2_Hash"},
                           dir.path(), Key);
        }));
    }
    for (const char* image : {"a.vnf", "b.vnf"})
        runs.push_back(std::async(std::launch::async, [&dir, image] {
            return Utility({"sign", image, "--key-pair", "default"}, dir.path());
        }));
    for (auto& run : runs) {
        const ProgramResult result = run.get();
        EXPECT_EQ(result.status, 0) << result.err;
    }

    for (int i = 0; i < Protects; ++i) {
        const ProgramResult verified =
            Utility({"verify", "out" + std::to_string(i) + ".vnf", "--key-file", "-"}, dir.path(), Key);
        EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    }
    for (const char* image : {"a.vnf", "b.vnf"})
        EXPECT_EQ(Utility({"verify", image}, dir.path()).status, 0) << image;
    // Nothing but the images, their outputs and the key files is left.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 1 + 2 * Protects + 2 + 3);
}

// signature.ecs is rewritten by every signing run: one that another run
// replaced while this run signed is replaced again (the later run's record
// stays), where an image replaced meanwhile is refused. The rules still hold
// for the target as it is at the end: a read-only one is not replaced.
TEST(ParallelRuns, ARecordReplacedMeanwhileIsReplacedAgainUnlessTheRulesForbid)
{
    struct Case {
        bool overLatest;
        bool readOnlyMeanwhile;
        std::string expected;  // the target's text afterwards
    };
    for (const Case& c : {Case{false, false, "theirs"}, Case{true, false, "ours"}, Case{true, true, "theirs"}}) {
        TempDir dir;
        const std::string target = (dir / "signature.ecs").string();
        WriteFileText(target, "old");
        bool installed = false;
        {
            FileReplacement ours(target, FileMode::Always(0644));
            ASSERT_TRUE(ours.begin());
            ASSERT_EQ(write(ours.descriptor(), "ours", 4), 4);
            WriteFileText(dir / "other", "theirs");
            std::filesystem::rename(dir / "other", target);
            if (c.readOnlyMeanwhile)
                std::filesystem::permissions(target, std::filesystem::perms::owner_read);
            installed = c.overLatest ? static_cast<bool>(ours.commitOverLatest()) : static_cast<bool>(ours.commit());
        }
        EXPECT_EQ(installed, c.expected == "ours");
        EXPECT_EQ(ReadFileText(target), c.expected) << c.overLatest << c.readOnlyMeanwhile;
        EXPECT_EQ(FileNamesIn(dir.path()), std::vector<std::string>{"signature.ecs"});
    }
}

}  // namespace
}  // namespace vantrel::testing
