// Times Load on an image with 300 kept sections of 4 KiB each.
// Usage: load_bench TOOL_DIRECTORY IMAGE_PATH
// Writes the image, runs Load three times and prints the times.
#include <chrono>
#include <cstdio>
#include <string>

#include "ElfMaker.h"
#include "inventory/Load.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

constexpr int SectionCount = 300;
constexpr std::size_t SectionSize = 4096;

ImageSpec BenchImage()
{
    ImageSpec spec;
    spec.sections = {{"msg_code", PatternBytes(256, 1), 1, 6, 0x1000},
                     {"msg_data", PatternBytes(64, 2), 1, 3, 0x2000},
                     {"digital_signature", Bytes(48, 0), 1, 2, 0x3000},
                     {"AESData", Bytes(44 + 32 * SectionCount, 0), 1, 2, 0x4000}};
    for (int i = 0; i < SectionCount; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "ShareFunctionSection%03d", i);
        spec.sections.push_back({name, PatternBytes(SectionSize, static_cast<std::uint8_t>(i)), 1, 6,
                                 0x100000u + static_cast<std::uint32_t>(i * SectionSize)});
    }
    return spec;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: load_bench TOOL_DIRECTORY IMAGE_PATH\n");
        return 2;
    }
    WriteElfImage(argv[2], BenchImage());

    double best = 1e30, total = 0;
    constexpr int Runs = 3;
    for (int run = 0; run < Runs; ++run) {
        LoadRequest request;
        request.toolDirectory = argv[1];
        request.imagePath = argv[2];
        const auto start = std::chrono::steady_clock::now();
        const Outcome<Inventory> loaded = LoadInventory(request);
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        if (!loaded || loaded.value().sectionTable.size() != SectionCount) {
            std::fprintf(stderr, "Load failed: %s\n", loaded ? "wrong section count" : loaded.message().c_str());
            return 1;
        }
        best = std::min(best, elapsed.count());
        total += elapsed.count();
    }
    std::printf("Load: %d sections of %zu bytes: best %.1f ms (%.2f ms per section), mean %.1f ms over %d runs\n",
                SectionCount, SectionSize, best, best / SectionCount, total / Runs, Runs);
    return 0;
}
