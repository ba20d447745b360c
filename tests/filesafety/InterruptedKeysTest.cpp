// A key pair replacement killed at any of its file-system changes, or raced
// by a second one, leaves one whole pair, old or new, that the next command
// finishes, and nothing else beside it but the dated copies.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

const std::string Program = (ToolsDir() / "vantrel-utility").string();

// What a folder may hold once a command has taken its lock: the key files,
// their dated copies and the key the import reads.
void ExpectOnlyKeyFiles(const fs::path& folder, const std::string& context)
{
    for (const std::string& name : FileNamesIn(folder))
        EXPECT_TRUE(name == "private.ecs" || name == "public.ecs" || name == "key.pem" || name == ".vantrel-keys.lock" ||
                    name.starts_with("private-") || name.starts_with("public-"))
            << context << ": " << name;
}

// The run killed just before its call-th rename, unlink or fsync.
ProgramResult RunKilledAt(const std::vector<std::string>& arguments, const fs::path& folder, int call)
{
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    std::vector<std::string> argv{"/usr/bin/env", std::string("LD_PRELOAD=") + KILL_AT_CALL,
                                  "VANTREL_KILL_AT_CALL=" + std::to_string(call),
                                  std::string("ASAN_OPTIONS=") + (sanitizer ? sanitizer : "") +
                                      ":verify_asan_link_order=0",
                                  Program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv, {}, folder);
}

struct Replacement {
    const char* name;
    std::vector<std::string> arguments;
};

class InterruptedKeys : public ::testing::TestWithParam<Replacement> {};

TEST_P(InterruptedKeys, AKillAtEveryFileChangeLeavesOneWholePair)
{
    TempDir dir;
    ASSERT_EQ(RunProgram({"/usr/bin/openssl", "ecparam", "-name", "sect163k1", "-genkey", "-noout", "-out",
                          "key.pem"},
                         {}, dir.path())
                  .status,
              0);
    ASSERT_EQ(Utility({"keys", "generate", "--out", "."}, dir.path()).status, 0);
    const Bytes oldPrivate = ReadFileBytes(dir / "private.ecs");
    const Bytes oldPublic = ReadFileBytes(dir / "public.ecs");

    int kills = 0, finished = 0;
    bool completed = false;
    for (int call = 1; call < 100 && !completed; ++call) {
        const std::string context = std::string(GetParam().name) + " killed at call " + std::to_string(call);
        for (const std::string& name : FileNamesIn(dir.path()))
            if (name != "key.pem" && name != ".vantrel-keys.lock")
                fs::remove(dir / name);
        WriteFileBytes(dir / "private.ecs", oldPrivate);
        fs::permissions(dir / "private.ecs", fs::perms::owner_read | fs::perms::owner_write);
        WriteFileBytes(dir / "public.ecs", oldPublic);

        const ProgramResult run = RunKilledAt(GetParam().arguments, dir.path(), call);
        completed = run.status != 128 + SIGKILL;
        kills += completed ? 0 : 1;
        if (completed) {
            EXPECT_EQ(run.status, 0) << context << ": " << run.err;
        }

        const ProgramResult check = Utility({"keys", "check"}, dir.path());
        EXPECT_EQ(check.status, 0) << context << ": " << check.err;
        finished += check.err.find("finished the interrupted replacement") != std::string::npos ? 1 : 0;
        ExpectOnlyKeyFiles(dir.path(), context);
        if (completed) {
            EXPECT_NE(ReadFileBytes(dir / "private.ecs"), oldPrivate) << context;
        }
    }
    EXPECT_TRUE(completed);
    EXPECT_GE(kills, 6);    // the backups, the new files, the journal, the renames
    EXPECT_GE(finished, 1);  // killed between the journal and its removal
}

INSTANTIATE_TEST_SUITE_P(Commands, InterruptedKeys,
                         ::testing::Values(Replacement{"generate", {"keys", "generate", "--out", ".", "--force"}},
                                           Replacement{"import", {"keys", "import", "key.pem", "--force"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Two replacements at once take turns: whatever the order, the folder holds
// one pair, and every public key a run announced is in public.ecs or in a
// dated copy.
TEST(InterruptedKeys, TwoReplacementsAtOnceLoseNoAnnouncedKey)
{
    TempDir dir;
    ASSERT_EQ(Utility({"keys", "generate", "--out", "."}, dir.path()).status, 0);
    const std::vector<std::string> generate{"keys", "generate", "--out", ".", "--force"};
    for (int round = 0; round < 4; ++round) {
        auto first = std::async(std::launch::async, [&] { return Utility(generate, dir.path()); });
        auto second = std::async(std::launch::async, [&] { return Utility(generate, dir.path()); });
        for (const ProgramResult& run : {first.get(), second.get()}) {
            ASSERT_EQ(run.status, 0) << run.err;
            ASSERT_EQ(run.out.rfind("public key = ", 0), 0u) << run.out;
            const std::string announced = run.out.substr(std::string("public key = ").size());
            bool kept = false;
            for (const std::string& name : FileNamesIn(dir.path()))
                kept = kept || (name.starts_with("public") && ReadFileText(dir / name) == announced);
            EXPECT_TRUE(kept) << "round " << round << ": " << announced;
        }
        EXPECT_EQ(Utility({"keys", "check"}, dir.path()).status, 0) << "round " << round;
        ExpectOnlyKeyFiles(dir.path(), "round " + std::to_string(round));
    }
}

}  // namespace
}  // namespace vantrel::testing
