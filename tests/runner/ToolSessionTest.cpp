// ToolSession: its private folder, the names it hands the tools, what it
// refuses before running anything, and the real sectmend and scnlist on
// images whose paths the tools' command lines could not carry themselves.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "ElfMaker.h"
#include "FakeTool.h"
#include "TestSupport.h"
#include "runner/ToolSession.h"

namespace vantrel::testing {
namespace {

namespace fs = std::filesystem;

ToolSession OpenSession(const fs::path& toolDirectory, const fs::path& parent = {})
{
    Outcome<ToolSession> opened = ToolSession::Open(toolDirectory.string(), parent);
    if (!opened)
        throw std::runtime_error(opened.message());
    return std::move(opened.value());
}

TEST(ToolSession, FolderIsPrivateAndGoesWithTheSessionThatOwnsIt)
{
    TempDir dir;
    std::optional<ToolSession> kept;
    fs::path folder;
    {
        ToolSession opened = OpenSession(ToolsDir(), dir.path());
        folder = opened.folder();
        kept.emplace(std::move(opened));
    }
    // The moved-from session left the folder to the one it moved into.
    ASSERT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(folder.parent_path(), dir.path());
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    WriteFileText(folder / "scratch", "x");
    kept.reset();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(ToolSession, ToolsRunInTheFolderAndAreHandedALinkForTheImage)
{
    TempDir tools, dir;
    const fs::path seen = dir / "seen";
    WriteFakeTool(tools.path(), "scnlist", "{ pwd -P; printf '%s\\n' \"$@\"; } > '" + seen.string() + "'");
    WriteFakeTool(tools.path(), "sectmend",
                  "{ pwd -P; printf '%s\\n' \"$@\"; readlink \"$4\"; } > '" + seen.string() + "'; printf 0102");
    const ScopedWorkingDirectory inDir(dir.path());
    ToolSession session = OpenSession(tools.path());
    const std::string folder = fs::canonical(session.folder()).string();

    ASSERT_TRUE(session.ListSections("-x (1).vnf")) << session.lastRun().output;
    EXPECT_EQ(ReadFileText(seen), folder + "\n-sh\n" + (dir / "-x (1).vnf").string() + "\n");
    const Outcome<std::string> text = session.GetSectionText("-x (1).vnf", "L2_Hash", 2);
    ASSERT_TRUE(text) << text.message();
    EXPECT_EQ(text.value(), "0102");
    EXPECT_EQ(ReadFileText(seen),
              folder + "\n-get\nL2_Hash\n-text\ninput0.vnf\n" + (dir / "-x (1).vnf").string() + "\n");
}

struct NameCase {
    std::string name;
    std::string refused;  // how the message shows the first character refused; "" when the name is taken
};

void PrintTo(const NameCase& c, std::ostream* out) { *out << '"' << c.name << '"'; }

class SectionName : public ::testing::TestWithParam<NameCase> {};

TEST_P(SectionName, IsTakenOrRefusedNamingTheSectionAndTheCharacter)
{
    const Status checked = CheckSectionName(GetParam().name);
    EXPECT_EQ(checked.ok(), GetParam().refused.empty());
    if (GetParam().refused.empty())
        return;
    EXPECT_EQ(checked.message(), "Section '" + GetParam().name + "' cannot be handed to sectmend: its name holds " +
                                     GetParam().refused +
                                     ", and sectmend takes only letters, digits, '.' and '_' in a section name.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SectionName,
    ::testing::Values(NameCase{"L2_Hash.data0", ""}, NameCase{"Share\xc3\xa9\x80\xfe", ""},
                      NameCase{"my-sec", "'-'"}, NameCase{"a$b", "'$'"}, NameCase{"a b", "the byte 0x20"},
                      NameCase{"a\nb", "the byte 0x0a"}, NameCase{"a\xff", "the byte 0xff"},
                      NameCase{"x(y)", "'('"}));

class ToolSessionFakeTest : public ::testing::Test {
protected:
    ToolSessionFakeTest() { WriteFileText(image, "unchanged"); }

    TempDir tools, dir;
    const fs::path image = dir / "board (1).vnf";
};

TEST_F(ToolSessionFakeTest, RefusesBadNamesAndSizesBeforeAnyRun)
{
    WriteFakeTool(tools.path(), "sectmend", "touch '" + (dir / "ran").string() + "'");
    ToolSession session = OpenSession(tools.path());
    const std::vector<std::uint8_t> three(3), five(5);
    const std::string sizeMessage = "Section S of " + image.string() + " holds 4 bytes, but ";
    EXPECT_EQ(session.GetSectionText(image, "my-sec", 4).message(), CheckSectionName("my-sec").message());
    EXPECT_EQ(session.GetSection(image, "a$b").message(), CheckSectionName("a$b").message());
    EXPECT_EQ(session.GetSection(image, "").message(), "A section without a name cannot be handed to sectmend.\n");
    EXPECT_EQ(session.ReplaceSection(image, "my-sec", three, 3).message(), CheckSectionName("my-sec").message());
    EXPECT_EQ(session.ReplaceSection(image, "S", three, 4).message(),
              sizeMessage + "3 bytes were to be written into it. Nothing was written.\n");
    EXPECT_EQ(session.ReplaceSection(image, "S", five, 4).message(),
              sizeMessage + "5 bytes were to be written into it. Nothing was written.\n");
    EXPECT_FALSE(fs::exists(dir / "ran"));
    EXPECT_EQ(ReadFileText(image), "unchanged");
}

TEST_F(ToolSessionFakeTest, FailingToolIsNamedWithTheStepAndTheUsersFile)
{
    // The working copy is image.vnf to the tool, the user's name to the user.
    WriteFakeTool(tools.path(), "sectmend",
                  "case \"$1\" in -get) echo 'all is well' ;; *) echo 'ERROR: cannot write' >&2; exit 3 ;; esac");
    ToolSession session = OpenSession(tools.path());
    const Outcome<fs::path> working = session.CopyIn(image, "the user's board.vnf");
    ASSERT_TRUE(working) << working.message();
    const std::vector<std::uint8_t> four(4);
    EXPECT_EQ(session.GetSection(working.value(), "S").message(),
              "sectmend printed something unexpected while reading section S of the user's board.vnf: all is well\n");
    EXPECT_EQ(session.ReplaceSection(working.value(), "S", four, 4).message(),
              "sectmend failed (status 3) while writing section S of the user's board.vnf: ERROR: cannot write\n");
}

class RealToolsOnAPath : public ::testing::TestWithParam<std::string> {};

TEST_P(RealToolsOnAPath, ListReadWriteAndCommit)
{
    TempDir dir;
    const ScopedWorkingDirectory inDir(dir.path());
    const std::string image = GetParam();  // relative: a leading dash stays first
    ImageSpec spec;
    spec.sections = {{"msg_data", PatternBytes(16, 1), 1, 3, 0x1000}, {"L2_Hash", PatternBytes(8, 2), 1, 6, 0x2000}};
    WriteElfImage(image, spec);
    const Bytes replacement = PatternBytes(8, 3);

    ToolSession session = OpenSession(ToolsDir());
    const Outcome<std::string> listing = session.ListSections(image);
    ASSERT_TRUE(listing) << listing.message();
    EXPECT_NE(listing.value().find(" 0x00000008 AX 0 0 1 0 'L2_Hash'\n"), std::string::npos) << listing.value();
    const Outcome<std::string> text = session.GetSectionText(image, "L2_Hash", 8);
    ASSERT_TRUE(text) << text.message();
    EXPECT_EQ(text.value(), HexText(spec.sections[1].bytes));

    const Outcome<fs::path> working = session.CopyIn(image, image);
    ASSERT_TRUE(working) << working.message();
    const Status replaced = session.ReplaceSection(working.value(), "L2_Hash", replacement, 8);
    ASSERT_TRUE(replaced) << replaced.message();
    EXPECT_EQ(session.GetSection(working.value(), "L2_Hash").value(), replacement);
    const Status committed = session.CommitOver(working.value(), image, "written");
    ASSERT_TRUE(committed) << committed.message();
    EXPECT_EQ(session.GetSection(image, "L2_Hash").value(), replacement);
    EXPECT_EQ(session.GetSection(image, "msg_data").value(), spec.sections[0].bytes);

    const Outcome<std::string> missing = session.GetSectionText(image, "nosuch", 4);
    EXPECT_EQ(missing.message(), "sectmend failed (status 1) while reading section nosuch of " + image +
                                     ": ERROR: nosuch section does not exist.\n");
}

INSTANTIATE_TEST_SUITE_P(Paths, RealToolsOnAPath,
                         ::testing::Values("my image (1).vnf", "-x.vnf", "fïrmware é.vnf",
                                           "line\nend 'q' \"d\" $HOME *.vnf"),
                         [](const auto& info) { return "Path" + std::to_string(info.index); });

}  // namespace
}  // namespace vantrel::testing
