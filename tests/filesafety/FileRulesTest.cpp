// The file rules that sectmend and vantrel-utility share, as one table run
// against both: a link, a FIFO or a read-only file given as the output or as
// the image changed in place is refused by name and left as it was; an
// existing output keeps its permissions; a new one appears complete; no
// working file is left beside the target.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "CliTestSupport.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

enum class Target { Absent, Kept0640, Link, Fifo, ReadOnly };

struct RuleCase {
    std::string name;
    Target target;
    bool inPlace;         // the target is the image itself, changed in place
    std::string refusal;  // "" when the run succeeds; T stands for the target's name
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

const char* const LinkRefusal =
    "T exists and is not a regular file (a symbolic link; name the file itself); it is never replaced. "
    "Nothing was written.";
const char* const SpecialRefusal = "T exists and is not a regular file; it is never replaced. Nothing was written.";
const char* const ReadOnlyRefusal = "T is read-only (its owner made it so); it is not replaced. Nothing was written.";

// Makes the target t in folder as the case says; the image is image.vnf.
void MakeTarget(const fs::path& folder, Target target)
{
    const fs::path t = folder / "t.vnf";
    switch (target) {
    case Target::Absent:
        break;
    case Target::Kept0640:
        fs::copy_file(folder / "image.vnf", t);
        fs::permissions(t, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        break;
    case Target::Link:
        fs::create_symlink("image.vnf", t);
        break;
    case Target::Fifo:
        ASSERT_EQ(mkfifo(t.c_str(), 0600), 0);
        break;
    case Target::ReadOnly:
        fs::copy_file(folder / "image.vnf", t);
        fs::permissions(t, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        break;
    }
}

// Changes ShareFunctionSection1 of image.vnf (or of t.vnf in place) through each program.
ProgramResult RunSectmendOn(const RuleCase& c, const fs::path& folder)
{
    WriteFileBytes(folder / "new.bin", PatternBytes(32, 9));
    std::vector<std::string> argv{(ToolsDir() / "sectmend").string(), "-replace", "ShareFunctionSection1"};
    if (!c.inPlace)
        argv.insert(argv.end(), {"-o", "t.vnf"});
    argv.insert(argv.end(), {"-bits", "new.bin", c.inPlace ? "t.vnf" : "image.vnf"});
    return RunProgram(argv, {}, folder);
}

ProgramResult RunUtilityOn(const RuleCase& c, const fs::path& folder)
{
    return Utility({"protect", c.inPlace ? "t.vnf" : "image.vnf", "-o", "t.vnf", "--key-file", "-", "--hash", "ShareFunctionSection1"},
                   folder, "00112233445566778899aabbccddeeff\n");
}

class FileRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(FileRules, BothProgramsFollowTheSameRule)
{
    const RuleCase& c = GetParam();
    for (const bool sectmend : {true, false}) {
        SCOPED_TRACE(sectmend ? "sectmend" : "vantrel-utility");
        TempDir folder;
        WriteElfImage(folder / "image.vnf", ProtectableImage());
        MakeTarget(folder.path(), c.target);
        const auto before = FileNamesIn(folder.path());
        const Bytes image = ReadFileBytes(folder / "image.vnf");
        struct stat was {};
        lstat((folder / "t.vnf").c_str(), &was);

        const ProgramResult result = sectmend ? RunSectmendOn(c, folder.path()) : RunUtilityOn(c, folder.path());

        std::string refusal = c.refusal;
        if (const auto at = refusal.find('T'); at == 0)
            refusal.replace(0, 1, "t.vnf");
        if (refusal.empty()) {
            EXPECT_EQ(result.status, 0) << result.err;
            EXPECT_NE(SectionBytes(folder / "t.vnf", "ShareFunctionSection1"), Bytes()) << result.err;
        } else {
            EXPECT_NE(result.status, 0);
            EXPECT_NE(result.err.find(refusal), std::string::npos) << result.err;
            struct stat now {};
            lstat((folder / "t.vnf").c_str(), &now);
            EXPECT_EQ(now.st_ino, was.st_ino);
            EXPECT_EQ(now.st_mode, was.st_mode);
        }
        EXPECT_EQ(ReadFileBytes(folder / "image.vnf"), image) << "the image stays as it was";
        if (c.target == Target::Kept0640) {
            EXPECT_EQ(fs::status(folder / "t.vnf").permissions(),
                      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        }
        auto after = FileNamesIn(folder.path());
        std::erase(after, "new.bin");
        auto expected = before;
        if (c.target == Target::Absent && refusal.empty())
            expected = {"image.vnf", "t.vnf"};
        EXPECT_EQ(after, expected) << "no working file is left";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, FileRules,
    ::testing::Values(RuleCase{"NewOutput", Target::Absent, false, ""},
                      RuleCase{"ExistingOutputKeepsItsMode", Target::Kept0640, false, ""},
                      RuleCase{"LinkAsOutput", Target::Link, false, LinkRefusal},
                      RuleCase{"FifoAsOutput", Target::Fifo, false, SpecialRefusal},
                      RuleCase{"ReadOnlyOutput", Target::ReadOnly, false, ReadOnlyRefusal},
                      RuleCase{"LinkAsImageInPlace", Target::Link, true, LinkRefusal},
                      RuleCase{"ReadOnlyImageInPlace", Target::ReadOnly, true, ReadOnlyRefusal}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vantrel::testing
