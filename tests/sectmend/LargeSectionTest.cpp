// Sections larger than the block sectmend moves at a time: memory stays
// bounded whatever the section's size, text input is checked in full before
// any byte is written, and a full disk fails an in-place replace before the
// section changes. Large sections are holes in sparse files, which cost no
// disk until they are written.
#include <gtest/gtest.h>

#include <fstream>

#include "SectmendRun.h"
#include "core/LittleEndian.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMiB = 1024 * 1024;

// An image whose section "big" (index 1) is size zero bytes in a hole at the
// end of the file, at an offset of a whole number of pages. Returns the
// section's offset.
std::uint32_t WriteSparseImage(const fs::path& path, std::uint32_t size)
{
    ImageSpec spec;
    spec.sections = {{"big", {1, 2, 3, 4}}, {"small", PatternBytes(16, 1)}};
    Bytes image = MakeElfImage(spec);
    const auto offset = static_cast<std::uint32_t>((image.size() + 4095) / 4096 * 4096);
    const std::uint32_t header = LoadLittleEndian32(&image.at(32)) + 40;  // e_shoff, section 1
    StoreLittleEndian32(&image.at(header + 16), offset);
    StoreLittleEndian32(&image.at(header + 20), size);
    WriteFileBytes(path, image);
    fs::resize_file(path, offset + std::uintmax_t{size});
    return offset;
}

// Bytes of a file from offset on.
Bytes BytesAt(const fs::path& path, std::uintmax_t offset, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    Bytes bytes(count);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    return bytes;
}

TEST(SectmendLargeSections, PeakMemoryStaysFarBelowTheSectionSize)
{
    constexpr std::uint32_t kSize = 128 * kMiB;
    constexpr long kLimitKiB = 64 * 1024;
    TempDir dir;
    const std::uint32_t offset = WriteSparseImage(dir / "big.vnf", kSize);
    // Replacement bytes: a pattern at both ends of a sparse file, and as text
    // the first kilobyte alone (the rest of the section becomes 0).
    const Bytes head = PatternBytes(1024, 5), tail = PatternBytes(1024, 6);
    WriteFileBytes(dir / "new.bin", head);
    fs::resize_file(dir / "new.bin", kSize - tail.size());
    {
        std::ofstream out(dir / "new.bin", std::ios::binary | std::ios::app);
        out.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    }
    WriteFileText(dir / "head.txt", HexText(tail));

    const std::vector<std::vector<std::string>> runs = {
        {"-get", "big", "-o", "got.bin", "big.vnf"},
        {"-get", "big", "-o", "/dev/null", "-text", "big.vnf"},
        {"-replace", "big", "-bits", "new.bin", "big.vnf"},
        {"-replace", "big", "-bits", "head.txt", "-text", "big.vnf"},
    };
    for (const auto& args : runs) {
        SCOPED_TRACE(args[0] + " " + args[3]);
        const ProgramResult result = RunSectmend(args, dir.path());
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_LT(result.peakResidentKiB, kLimitKiB);
        if (args[3] == "got.bin") {
            EXPECT_EQ(fs::file_size(dir / "got.bin"), kSize);
            fs::remove(dir / "got.bin");
        } else if (args[3] == "new.bin") {
            EXPECT_EQ(BytesAt(dir / "big.vnf", offset, head.size()), head);
            EXPECT_EQ(BytesAt(dir / "big.vnf", offset + kSize - tail.size(), tail.size()), tail);
        }
    }
    EXPECT_EQ(BytesAt(dir / "big.vnf", offset, tail.size()), tail);
    EXPECT_EQ(BytesAt(dir / "big.vnf", offset + kSize - tail.size(), tail.size()), Bytes(tail.size(), 0));
}

// Good text for more than the first block, then a pair that is not text.
TEST(SectmendLargeSections, IllFormattedTextLateInTheInputChangesNothing)
{
    ImageSpec spec;
    spec.sections = {{"code", PatternBytes(kMiB + kMiB / 2, 7)}};
    const std::string good = HexText(PatternBytes(kMiB + kMiB / 4, 8));
    struct Run {
        std::vector<std::string> args;
        std::string input;  // standard input
    };
    const std::vector<Run> runs = {
        {{"-replace", "code", "-bits", "bad.txt", "-text", "p.vnf"}, ""},
        {{"-replace", "code", "-text", "p.vnf"}, good + "zz"},
        {{"-replace", "code", "-o", "out.vnf", "-bits", "bad.txt", "-text", "p.vnf"}, ""},
        {{"-replace", "code", "-o", "out.vnf", "-text", "p.vnf"}, good + "zz"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(::testing::PrintToString(run.args) + (run.input.empty() ? "" : " from standard input"));
        TempDir dir;
        WriteElfImage(dir / "p.vnf", spec);
        WriteFileText(dir / "bad.txt", good + "zz");
        WriteFileText(dir / "out.vnf", "an earlier output\n");
        const Bytes image = ReadFileBytes(dir / "p.vnf");
        const ProgramResult result = RunSectmend(run.args, dir.path(), run.input);
        EXPECT_EQ(result.err, "ERROR: Ill-formatted input.\n");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(ReadFileBytes(dir / "p.vnf"), image);
        EXPECT_EQ(ReadFileText(dir / "out.vnf"), "an earlier output\n");
        EXPECT_EQ(FileNamesIn(dir.path()), (std::vector<std::string>{"bad.txt", "out.vnf", "p.vnf"}));
    }
}

TEST(SectmendLargeSections, TextFromStandardInputFillsSeveralBlocks)
{
    ImageSpec spec;
    spec.sections = {{"code", PatternBytes(2 * kMiB + 3, 7)}};
    TempDir dir;
    WriteElfImage(dir / "p.vnf", spec);
    const Bytes image = ReadFileBytes(dir / "p.vnf");
    const Bytes fresh = PatternBytes(2 * kMiB + 3, 9);
    const ProgramResult result = RunSectmend({"-replace", "code", "-text", "p.vnf"}, dir.path(), HexText(fresh));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReadFileBytes(dir / "p.vnf"), Patched(image, SectionOffset(spec, "code"), fresh));
}

// The disk has room for less than the section; the section is a hole in the
// image, so writing it needs new blocks.
TEST(SectmendLargeSections, FullDiskFailsBeforeAnyByteChanges)
{
    TempDir dir;
    const SmallFileSystem disk(dir / "disk", kMiB);
    if (!disk.mounted()) GTEST_SKIP() << "mounting a file system needs privileges";
    WriteSparseImage(dir / "disk" / "image.vnf", 4 * kMiB);
    WriteSparseImage(dir / "outside.vnf", 4 * kMiB);
    WriteFileBytes(dir / "new.bin", PatternBytes(4 * kMiB, 3));
    const Bytes image = ReadFileBytes(dir / "disk" / "image.vnf");

    ProgramResult result = RunSectmend({"-replace", "big", "-bits", "new.bin", "disk/image.vnf"}, dir.path());
    EXPECT_EQ(result.err, "ERROR: Could not replace the section data of 'disk/image.vnf': No space left on device.\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(ReadFileBytes(dir / "disk" / "image.vnf"), image);

    // A copy that does not fit leaves nothing behind on the disk.
    result = RunSectmend({"-replace", "big", "-o", "disk/out.vnf", "-bits", "new.bin", "outside.vnf"}, dir.path());
    EXPECT_EQ(result.err, "ERROR: 'disk/out.vnf' could not be written: No space left on device\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(FileNamesIn(dir / "disk"), std::vector<std::string>{"image.vnf"});
}

}  // namespace
}  // namespace vantrel::testing
