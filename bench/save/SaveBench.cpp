// Save of a 64 MiB image with 32 encrypted 64 KiB sections: its time next to
// the time of the whole-image copies the save makes (done with cp in the same
// run), and the AES and SHA-1 throughput of the save's code next to
// "openssl speed" on this machine. Prints a small report; not a test.
#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "ElfMaker.h"
#include "FakeUserInterface.h"
#include "TestSupport.h"
#include "core/DialogState.h"
#include "encryption/AesCipher.h"
#include "encryption/AesSettings.h"
#include "encryption/Save.h"
#include "encryption/Sha1.h"
#include "inventory/Load.h"

namespace fs = std::filesystem;
using namespace vantrel;
using namespace vantrel::testing;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t ImageSize = 64u << 20;
constexpr std::size_t SectionCount = 32;
constexpr std::size_t SectionSize = 64u << 10;
constexpr int Rounds = 3;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// 32 listed sections, AESData, and a filler without flags (Load does not
// list it) that brings the file to 64 MiB.
ImageSpec BenchImage()
{
    ImageSpec spec;
    for (std::size_t i = 0; i < SectionCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Sec%02zu", i);
        spec.sections.push_back({name, PatternBytes(SectionSize, static_cast<std::uint8_t>(i)), 1, 2,
                                 static_cast<std::uint32_t>(0x08000000 + i * SectionSize)});
    }
    spec.sections.push_back({"AESData", Bytes(2048, 0), 1, 2, 0x20000000});
    const std::size_t used = SectionCount * SectionSize + 2048 + 4096;
    spec.sections.push_back({"filler", Bytes(ImageSize - used, 0x5A), 1, 0, 0});
    return spec;
}

// One Load, then a timed save of every section; the best of a few rounds.
double TimeSave(const fs::path& input, const fs::path& output, std::size_t& rowsSaved)
{
    FakeUserInterface ui;
    ui.image = input.string();
    ui.purpose = PurposeIndex::PracticalUse;
    ui.key = "000102030405060708090a0b0c0d0e0f";
    ui.mode = ModeIndex::CBC;
    DialogState state;
    state.toolDirectory = ToolsDir().string();
    OnLoad(state, ui);
    rowsSaved = static_cast<std::size_t>(ui.rows.GetItemCount());
    for (int row = 0; row < ui.rows.GetItemCount(); ++row)
        ui.rows.SetCheckbox(row, SectionList::AesColumn, 1);
    double best = 1e30;
    for (int round = 0; round < Rounds; ++round) {
        ui.chooserAnswers.push_back(output.string());
        const auto start = Clock::now();
        const bool saved = OnSave(state, ui);
        const double took = Seconds(start);
        if (!saved) {
            std::cerr << "save failed: " << ui.lastMessage() << "\n";
            return -1;
        }
        best = std::min(best, took);
    }
    return best;
}

// The same number of whole-image copies with cp.
double TimeCopies(const fs::path& input, const fs::path& target, int copies)
{
    double best = 1e30;
    for (int round = 0; round < Rounds; ++round) {
        const auto start = Clock::now();
        for (int i = 0; i < copies; ++i)
            RunProgram({"/bin/cp", input.string(), target.string()});
        best = std::min(best, Seconds(start));
    }
    return best;
}

// Bytes per second of "openssl speed" for one algorithm on 16 KiB blocks,
// the best of a few one-second runs.
double OpensslSpeed(const std::string& algorithm)
{
    double best = 0;
    for (int round = 0; round < Rounds; ++round) {
        const ProgramResult result = RunProgram(
            {"/usr/bin/openssl", "speed", "-mr", "-evp", algorithm, "-bytes", "16384", "-seconds", "1"});
        if (result.out.rfind("+F:") == std::string::npos)
            return 0;
        best = std::max(best, std::stod(result.out.substr(result.out.rfind(':') + 1)));
    }
    return best;
}

// Processor time of this process: "openssl speed" counts processor time too
// (unless told -elapsed), so both figures leave out the time other programs
// on a busy machine take.
double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Bytes per processor second of work on one buffer of the given size, run
// over and over for about a second; the best of a few rounds. 16 KiB matches
// the block size "openssl speed" is asked for; 64 KiB is a section of the save.
double BestRate(std::size_t bufferSize, const std::function<void(Bytes&)>& work)
{
    Bytes buffer = PatternBytes(bufferSize, 3);
    double best = 0;
    for (int round = 0; round < Rounds; ++round) {
        std::size_t done = 0;
        const double start = CpuSeconds();
        while (CpuSeconds() - start < 1.0) {
            for (int i = 0; i < 64; ++i)
                work(buffer);
            done += 64 * buffer.size();
        }
        best = std::max(best, static_cast<double>(done) / (CpuSeconds() - start));
    }
    return best;
}

double AesRate(int keyBytes, int modeCode, std::size_t bufferSize)
{
    const Bytes key(static_cast<std::size_t>(keyBytes), 0x42);
    auto cipher = AesCipher::Setup(modeCode, keyBytes, key.data(), std::array<std::uint8_t, 16>{});
    return BestRate(bufferSize, [&](Bytes& buffer) { (void)cipher->Encrypt(buffer); });
}

double Sha1Rate(std::size_t bufferSize)
{
    Sha1Digest digest{};
    return BestRate(bufferSize, [&](Bytes& buffer) { (void)Sha1(buffer, digest); });
}

// Our rate on 16 KiB and on 64 KiB buffers, openssl speed's on 16 KiB blocks
// (measured right after ours, so both see the same machine load).
void ThroughputLine(const std::string& name, const std::string& opensslName,
                    const std::function<double(std::size_t)>& ours)
{
    const double small = ours(16u << 10);
    const double large = ours(SectionSize);
    const double openssl = OpensslSpeed(opensslName);
    std::printf("  %-12s ours %7.1f MB/s (16 KiB) %7.1f MB/s (64 KiB)   openssl speed %7.1f MB/s   %5.1f%%\n",
                name.c_str(), small / 1e6, large / 1e6, openssl / 1e6, openssl > 0 ? 100.0 * small / openssl : 0.0);
}

}  // namespace

int main()
{
    TempDir dir;
    ScopedWorkingDirectory cwd(dir.path());
    const fs::path input = dir / "bench.vnf";
    WriteElfImage(input, BenchImage());

    std::size_t rows = 0;
    const double save = TimeSave(input, dir / "out.vnf", rows);
    if (save < 0 || rows != SectionCount) {
        std::cerr << "the save did not run (" << rows << " rows listed)\n";
        return 1;
    }
    // The copies the save makes: the working copy of the input, then for each
    // encrypted section and for the record one copy to tmp.vnf and one made
    // by sectmend.
    const int copies = 1 + 2 * static_cast<int>(SectionCount) + 2;
    const double copyTime = TimeCopies(input, dir / "copy.vnf", copies);
    std::printf("Save of a %zu MiB image, %zu encrypted sections of %zu KiB (AES-128-CBC), best of %d:\n",
                ImageSize >> 20, SectionCount, SectionSize >> 10, Rounds);
    std::printf("  save %.3f s; %d whole-image copies with cp %.3f s; ratio %.2f (goal <= 1.5)\n", save, copies,
                copyTime, save / copyTime);

    std::printf("Throughput per processor second, best of %d rounds of about 1 s (goal >= 80%% of openssl speed):\n",
                Rounds);
    const auto aes = [](int keyBytes, int modeCode) {
        return [=](std::size_t size) { return AesRate(keyBytes, modeCode, size); };
    };
    ThroughputLine("AES-128-ECB", "aes-128-ecb", aes(16, AesModeCodeEcb));
    ThroughputLine("AES-128-CBC", "aes-128-cbc", aes(16, AesModeCodeCbc));
    ThroughputLine("AES-256-CBC", "aes-256-cbc", aes(32, AesModeCodeCbc));
    ThroughputLine("AES-128-OFB", "aes-128-ofb", aes(16, AesModeCodeOfb));
    ThroughputLine("AES-256-OFB", "aes-256-ofb", aes(32, AesModeCodeOfb));
    ThroughputLine("SHA-1", "sha1", Sha1Rate);
    return 0;
}
