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

// The processes whose working directory lies in folder, waited for up to
// half a minute (a loaded machine reaps slowly): a child killed with its
// parent is gone as soon as it has been reaped.
std::vector<std::string> ProcessesWorkingIn(const fs::path& folder)
{
    std::vector<std::string> found;
    for (int tries = 0; tries < 600; ++tries) {
        found.clear();
        for (const auto& entry : fs::directory_iterator("/proc")) {
            std::error_code error;
            const fs::path cwd = fs::read_symlink(entry.path() / "cwd", error);
            if (!error && cwd.string().rfind(folder.string(), 0) == 0)
                found.push_back(entry.path().filename().string() + " in " + cwd.string());
        }
        if (found.empty())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return found;
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
    // The tools the killed runs started died with them, and the next run in
    // the folder removes what they left (private folders, working files).
    EXPECT_EQ(ProcessesWorkingIn(dir.path()), std::vector<std::string>{});
    const ProgramResult next = Utility({"protect", "original.vnf", "-o", "out.vnf", "--key-file", "-", "--hash",
                                        "ShareFunctionSection1"},
                                       dir.path(), "00112233445566778899aabbccddeeff\n");
    ASSERT_EQ(next.status, 0) << next.err;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("vantrel-"), std::string::npos) << entry.path();
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
