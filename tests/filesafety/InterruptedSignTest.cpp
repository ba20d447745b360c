// A signing killed at any moment, or starved of disk space, leaves the old
// image or the signed one: never an empty, cut or half-exchanged image.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "CliTestSupport.h"

extern char** environ;

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Starts "vantrel-utility sign IMAGE --key-pair default" in folder, lets it
// run for delay, then kills it (if it still runs) and reaps it.
void SignAndKillAfter(const fs::path& folder, const std::string& image, std::chrono::microseconds delay)
{
    const std::string program = (ToolsDir() / "vantrel-utility").string();
    std::vector<std::string> words{program, "sign", image, "--key-pair", "default"};
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    std::this_thread::sleep_for(delay);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
}

TEST(InterruptedSign, AKillAtAnyMomentLeavesTheOldImageOrTheSignedOne)
{
    TempDir dir;
    WriteElfImage(dir / "original.vnf", ProtectableImage());
    fs::copy_file(dir / "original.vnf", dir / "signed.vnf");
    // Signing is deterministic, so the one signed image is known; the run's
    // length spreads the kills over all its steps.
    const auto start = Clock::now();
    ASSERT_EQ(Utility({"sign", "signed.vnf", "--key-pair", "pelora"}, dir.path()).status, 0);
    const auto length = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    const Bytes before = ReadFileBytes(dir / "original.vnf");
    const Bytes after = ReadFileBytes(dir / "signed.vnf");
    ASSERT_NE(before, after);

    std::mt19937 random(7);
    std::uniform_int_distribution<long long> moment(0, length.count() * 5 / 4);
    for (int run = 0; run < 30; ++run) {
        fs::copy_file(dir / "original.vnf", dir / "image.vnf", fs::copy_options::overwrite_existing);
        SignAndKillAfter(dir.path(), "image.vnf", std::chrono::microseconds(moment(random)));
        const Bytes found = ReadFileBytes(dir / "image.vnf");
        EXPECT_TRUE(found == before || found == after) << "run " << run << ": " << found.size() << " bytes";
    }
}

TEST(InterruptedSign, AFullFileSystemLeavesTheImageUnchanged)
{
    TempDir dir;
    const SmallFileSystem disk(dir / "disk", 512 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a file system needs root";
    ImageSpec spec = ProtectableImage();
    spec.sections.push_back({"padding", PatternBytes(200 * 1024, 9), 1, 2, 0x08100000});
    const fs::path image = dir / "disk" / "image.vnf";
    WriteElfImage(image, spec);
    // What is left on the disk is less than a copy of the image needs.
    WriteFileBytes(dir / "disk" / "filler", Bytes(512 * 1024 - fs::file_size(image) - 64 * 1024, 0));
    const Bytes before = ReadFileBytes(image);

    const ProgramResult result = Utility({"sign", image.string(), "--key-pair", "pelora"}, dir.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("ERROR: "), std::string::npos) << result.err;
    EXPECT_EQ(ReadFileBytes(image), before);
    // Nothing is left behind on the full disk.
    for (const auto& entry : fs::directory_iterator(dir / "disk"))
        EXPECT_TRUE(entry.path().filename() == "image.vnf" || entry.path().filename() == "filler") << entry.path();
}

}  // namespace
}  // namespace vantrel::testing
