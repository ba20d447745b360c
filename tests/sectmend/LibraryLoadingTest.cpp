// Where the ELF library comes from: the System folder beside the executable
// first, then the ordinary search; loaded only when an ELF call is due.
#include <gtest/gtest.h>

#include "LibElf.h"
#include "SectmendRun.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

// A copy of sectmend in its own folder, with the given file as its
// System/libelf.so.1.
class RelocatedSectmend {
public:
    explicit RelocatedSectmend(const fs::path& library)
    {
        fs::copy_file(ToolsDir() / "sectmend", dir_ / "sectmend");
        fs::create_directory(dir_ / "System");
        fs::copy_file(library, dir_ / "System" / "libelf.so.1");
        WriteElfImage(dir_ / "p0.vnf", SampleImage());
    }
    ProgramResult run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), (dir_ / "sectmend").string());
        return RunProgram(args, {}, dir_.path());
    }
    fs::path library() const { return dir_ / "System" / "libelf.so.1"; }
    const fs::path& path() const { return dir_.path(); }

private:
    TempDir dir_;
};

TEST(SectmendLibraryLoading, LibraryInSystemFolderComesFirst)
{
    RelocatedSectmend partial(FAKE_LIBELF_PARTIAL);
    ProgramResult result = partial.run({"-get", "L1_code", "p0.vnf"});
    EXPECT_EQ(result.err, "ERROR: The ELF library " + partial.library().string() + " has no function elf_begin.\n");
    EXPECT_EQ(result.status, 1);

    RelocatedSectmend outdated(FAKE_LIBELF_OUTDATED);
    result = outdated.run({"-version"});
    EXPECT_EQ(result.err, "ERROR: ELF Library is out of date.\n");
    EXPECT_EQ(result.status, 1);
}

TEST(SectmendLibraryLoading, HelpUsageAndSyntaxErrorsNeverLoadIt)
{
    RelocatedSectmend partial(FAKE_LIBELF_PARTIAL);
    EXPECT_EQ(partial.run({}).status, 0);
    EXPECT_EQ(partial.run({"-help"}).status, 0);
    EXPECT_EQ(partial.run({""}).status, 0);
    const ProgramResult result = partial.run({"-get", "L1_code"});
    EXPECT_EQ(result.err, "SYNTAX ERROR: Missing input file name\n");
    EXPECT_EQ(result.status, 1);
}

TEST(SectmendLibraryLoading, UnloadableSystemCopyFallsBackToTheOrdinarySearch)
{
    TempDir scratch;
    WriteFileText(scratch / "bogus.so", "not a library\n");
    RelocatedSectmend bogus(scratch / "bogus.so");
    const ProgramResult result = bogus.run({"-get", "L1_code", "-text", "p0.vnf"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, HexText(SpecSectionBytes(SampleImage(), "L1_code")));
}

TEST(SectmendLibraryLoading, NoLoadableCandidateIsOneErrorLine)
{
    try {
        sectmend::LoadLibElf({"/nonexistent/System/libelf.so.1", "/nonexistent/libelf.so.1"});
        FAIL() << "a library was loaded";
    } catch (const sectmend::LibElfUnavailable& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.rfind("ERROR: The ELF library libelf.so.1 could not be loaded (", 0), 0u) << text;
        EXPECT_EQ(text.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace vantrel::testing
