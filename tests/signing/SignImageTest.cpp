#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include <openssl/obj_mac.h>

#include "ElfMaker.h"
#include "SigningTestSupport.h"
#include "buttons/Buttons.h"
#include "keys/PublicKeyFingerprint.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FileNamesIn;
using testing::HexNumber;
using testing::ImageSpec;
using testing::PatternBytes;
using testing::ReadFileBytes;
using testing::ReadFileText;
using testing::WriteFileText;

const std::string Signed = "Digital Signature Signed!\n";
const std::string PeloraPrivate = "2D93929D23393BF31D7C711119255F283E2DD8DC8\n";

ImageSpec MessageImage(std::size_t codeSize = 64, std::size_t dataSize = 64, std::size_t signatureSize = 48)
{
    ImageSpec spec;
    spec.sections = {{"msg_code", PatternBytes(codeSize, 11), 1, 6, 0x1000},
                     {"msg_data", PatternBytes(dataSize, 12), 1, 3, 0x2000},
                     {"digital_signature", Bytes(signatureSize, 0xAA), 1, 2, 0x3000},
                     {"AESData", PatternBytes(32, 13), 1, 2, 0x3100}};
    return spec;
}

ImageSpec Without(ImageSpec spec, const std::string& name)
{
    std::erase_if(spec.sections, [&](const testing::SectionSpec& s) { return s.name == name; });
    return spec;
}

// A signing bench whose image (its name holds a blank) lies in a folder of
// its own, apart from the key files of the working directory.
class SignImageBench : public ::testing::Test {
protected:
    SignImageBench() { fs::create_directory(bench.path("images")); }

    void MakeImage(const ImageSpec& imageSpec)
    {
        spec = imageSpec;
        testing::WriteElfImage(image, spec);
        bench.ui.image = image.string();
        original = ReadFileBytes(image);
    }

    Bytes Section(const Bytes& file, const std::string& name) const
    {
        for (const testing::SectionSpec& section : spec.sections)
            if (section.name == name) {
                const auto offset = file.begin() + testing::SectionOffset(spec, name);
                return Bytes(offset, offset + static_cast<long>(section.bytes.size()));
            }
        return {};
    }

    void Place(Bytes& file, const std::string& name, const Bytes& bytes) const
    {
        std::copy(bytes.begin(), bytes.end(), file.begin() + testing::SectionOffset(spec, name));
    }

    // The image is before with msg_code and msg_data exchanged and r and s of
    // signature.ecs in digital_signature (24 bytes each, least significant
    // first, then zeros), every other byte as it was; r and s verify over the
    // former msg_code with public.ecs.
    // Signed again (exchanged false), the sections stay where they are and
    // msg_data is signed as it stands.
    void ExpectSignedFrom(const Bytes& before, bool exchanged = true)
    {
        std::istringstream record(ReadFileText("signature.ecs"));
        std::string rText, sText;
        record >> rText >> sText;
        const BignumPtr r = HexNumber(rText), s = HexNumber(sText);
        const Bytes message = Section(before, exchanged ? "msg_code" : "msg_data");
        EXPECT_TRUE(testing::OpenSslVerifies(NID_sect163k1, ReadFileText("public.ecs"), message, r.get(), s.get()));
        Bytes expected = before;
        if (exchanged) {
            Place(expected, "msg_code", Section(before, "msg_data"));
            Place(expected, "msg_data", Section(before, "msg_code"));
        }
        Bytes signature(Section(before, "digital_signature").size(), 0);
        ASSERT_EQ(BN_bn2lebinpad(r.get(), signature.data(), 24), 24);
        ASSERT_EQ(BN_bn2lebinpad(s.get(), signature.data() + 24, 24), 24);
        Place(expected, "digital_signature", signature);
        EXPECT_TRUE(ReadFileBytes(image) == expected) << "the signed image is not the expected one";
    }

    // No working file is left in the working directory or beside the image;
    // replaced key pairs stand as dated copies.
    void ExpectNoLeftovers()
    {
        for (const std::string& name : FileNamesIn(bench.dir.path()))
            EXPECT_TRUE(name == "images" || name == "private.ecs" || name == "public.ecs" || name == "signature.ecs" ||
                        name == ".vantrel-keys.lock" ||
                        name.rfind("private-", 0) == 0 || name.rfind("public-", 0) == 0)
                << name;
        EXPECT_EQ(FileNamesIn(image.parent_path()), std::vector<std::string>{image.filename().string()});
    }

    // The message after a signing: the dialog's sentence, then the image
    // signed in place, the pair and its fingerprint, and the key files.
    void ExpectSignedMessage(const std::string& message, const std::string& keyFiles)
    {
        EXPECT_EQ(message.rfind(Signed + "\n" + fs::absolute(image).string() + " was signed in place with the Pelora "
                                "key pair (public, for demonstrations).\nPublic key SHA-256: ", 0), 0u) << message;
        const Outcome<std::string> fingerprint = PublicKeyFingerprint("public.ecs", (testing::ToolsDir() / "ecc_koblitz.ecs").string());
        ASSERT_TRUE(fingerprint) << fingerprint.message();
        EXPECT_NE(message.find(fingerprint.value() + "\n" + keyFiles + ": " + fs::absolute("private.ecs").string() +
                               " and " + fs::absolute("public.ecs").string() + ".\n"),
                  std::string::npos) << message;
    }

    // After a failure: the one message, the image byte for byte as it was,
    // no signature record and no working file.
    void ExpectUnchangedAfter(const std::string& message)
    {
        EXPECT_EQ(bench.ui.messages, std::vector<std::string>{message});
        EXPECT_TRUE(ReadFileBytes(image) == original) << "the image changed";
        EXPECT_FALSE(fs::exists("signature.ecs"));
        ExpectNoLeftovers();
    }

    testing::SigningBench bench;
    fs::path image = bench.path("images") / "my image.vnf";
    ImageSpec spec;
    Bytes original;
};

class SignatureSectionSize : public SignImageBench, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(SignatureSectionSize, SignsTheFormerMsgCodeAndExchangesTheSections)
{
    MakeImage(MessageImage(64, 64, GetParam()));
    ASSERT_TRUE(OnGenerate(bench.state, bench.ui).ok()) << bench.ui.lastMessage();
    ASSERT_EQ(bench.ui.messages.size(), 1u);
    ExpectSignedMessage(bench.ui.messages[0], "Written");
    EXPECT_EQ(bench.ui.kinds, std::vector<MessageKind>{MessageKind::Success});
    ExpectSignedFrom(original);
    ExpectNoLeftovers();
}

INSTANTIATE_TEST_SUITE_P(Sizes, SignatureSectionSize, ::testing::Values(48u, 64u));

// A signed image is never exchanged again: the dialog asks, and Yes signs
// its message as it stands; No changes nothing.
TEST_F(SignImageBench, SigningTwiceAsksAndNeverExchangesAgain)
{
    MakeImage(MessageImage());
    bench.ui.keyPair = KeyPairIndex::Generate;
    ASSERT_TRUE(OnGenerate(bench.state, bench.ui).ok());
    const Bytes once = ReadFileBytes(image);
    bench.ui.keyPair = KeyPairIndex::Default;
    bench.ui.answer = false;
    EXPECT_FALSE(OnGenerate(bench.state, bench.ui).ok());
    EXPECT_EQ(bench.ui.lastMessage(), image.string() + " is already signed: its digital_signature holds a signature, "
                                                       "and signing again would exchange msg_code and msg_data back. "
                                                       "Nothing was changed.\n");
    EXPECT_TRUE(ReadFileBytes(image) == once);
    bench.ui.answer = true;
    ASSERT_TRUE(OnGenerate(bench.state, bench.ui).ok());
    ExpectSignedFrom(once, false);
}

TEST_F(SignImageBench, SameKeyAndImageGiveTheSameSignature)
{
    MakeImage(MessageImage());
    const fs::path copy = bench.path("images") / "copy.vnf";
    fs::copy_file(image, copy);
    ASSERT_TRUE(OnGenerate(bench.state, bench.ui).ok());
    bench.ui.image = copy.string();
    ASSERT_TRUE(OnGenerate(bench.state, bench.ui).ok());
    EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(image));
}

TEST_F(SignImageBench, AGeneratedKeyPairSignsAndDefaultKeepsIt)
{
    MakeImage(MessageImage());
    bench.ui.keyPair = KeyPairIndex::Generate;
    ASSERT_TRUE(OnGenerate(bench.state, bench.ui).ok()) << bench.ui.lastMessage();
    ExpectSignedFrom(original);
    const std::string privateKey = ReadFileText("private.ecs");
    const Bytes once = ReadFileBytes(image);
    bench.ui.keyPair = KeyPairIndex::Default;
    ASSERT_TRUE(OnGenerate(bench.state, bench.ui).ok()) << bench.ui.lastMessage();
    EXPECT_EQ(ReadFileText("private.ecs"), privateKey);
    ExpectSignedFrom(once, false);
}

// The working copy is made with the image's mode, which the umask must not cut.
TEST_F(SignImageBench, TheSignedImageKeepsItsPermissions)
{
    MakeImage(MessageImage());
    fs::permissions(image, fs::perms(0664));
    const mode_t umaskBefore = umask(022);
    const Status signedImage = OnGenerate(bench.state, bench.ui);
    umask(umaskBefore);
    ASSERT_TRUE(signedImage.ok()) << bench.ui.lastMessage();
    EXPECT_EQ(fs::status(image).permissions(), fs::perms(0664));
    ExpectSignedFrom(original);
}

// Nothing is made, not even the key pair.
TEST_F(SignImageBench, NoImageDoesNothing)
{
    const std::string absent = (bench.path("images") / "absent.vnf").string();
    for (const std::string& name : {std::string(), absent}) {
        bench.ui.messages.clear();
        bench.ui.kinds.clear();
        bench.ui.image = name;
        EXPECT_FALSE(OnGenerate(bench.state, bench.ui).ok());
        EXPECT_EQ(bench.ui.kinds, std::vector<MessageKind>{MessageKind::Error});
        EXPECT_EQ(bench.ui.messages, std::vector<std::string>{name.empty() ? "Please input the VNF file!"
                                                                           : "Problem - cannot read the image " +
                                                                                 absent + ": No such file or directory"});
        EXPECT_EQ(FileNamesIn(bench.dir.path()), std::vector<std::string>{"images"});
        EXPECT_TRUE(fs::is_empty(bench.path("images")));
    }
}

// Key and curve are checked before the image is touched.
TEST_F(SignImageBench, KeyAndCurveFaultsLeaveTheImageUntouched)
{
    MakeImage(MessageImage());
    const testing::ToolDirectory noCurve, largerCurve(testing::CurveFileText(NID_sect233k1));
    fs::remove(fs::path(noCurve.path()) / "ecc_koblitz.ecs");
    const struct {
        int keyPair;
        std::string privateKey;  // private.ecs beforehand; empty: as it is
        std::string tools;
        std::string message;
    } cases[] = {
        {KeyPairIndex::Default, "", bench.state.toolDirectory,
         "We use private key in file private.ecs,\nPlease check if you have this file in current directory.\n"},
        {KeyPairIndex::Default, "0\n", bench.state.toolDirectory,
         "Problem - the private key in private.ecs is not between 1 and q-1 of ecc_koblitz.ecs"},
        {KeyPairIndex::Default, PeloraPrivate, noCurve.path(), "Problem - no (x,y) point, may be missing ecc_koblitz.ecs"},
        // The larger curve is refused before a key pair is made on it.
        {KeyPairIndex::Pelora, "", largerCurve.path(),
         "Problem - the order q in ecc_koblitz.ecs has more than 192 bits, but digital_signature holds r and s in 24 "
         "bytes each"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        bench.ui.messages.clear();
        bench.ui.keyPair = c.keyPair;
        bench.state.toolDirectory = c.tools;
        if (!c.privateKey.empty()) {
            WriteFileText("private.ecs", c.privateKey);
            fs::permissions("private.ecs", fs::perms::owner_read | fs::perms::owner_write);
        }
        EXPECT_FALSE(OnGenerate(bench.state, bench.ui).ok());
        ExpectUnchangedAfter(c.message);
    }
}

// Refused before anything is written: no key pair, no working file, and a
// link's target stays as it was.
TEST_F(SignImageBench, AnImageThatIsNotARegularFileIsRefused)
{
    const fs::path realImage = bench.path("images") / "real.vnf";
    testing::WriteElfImage(realImage, MessageImage());
    original = ReadFileBytes(realImage);
    bench.ui.image = image.string();
    for (const bool link : {true, false}) {
        bench.ui.messages.clear();
        if (link)
            fs::create_symlink(realImage, image);
        else
            ASSERT_EQ(mkfifo(image.c_str(), 0644), 0);
        EXPECT_FALSE(OnGenerate(bench.state, bench.ui).ok());
        EXPECT_EQ(bench.ui.messages, std::vector<std::string>{image.string() + " exists and is not a regular file" +
                                                              (link ? " (a symbolic link; name the file itself)" : "") +
                                                              "; it is never replaced. Nothing was written.\n"});
        EXPECT_TRUE(ReadFileBytes(realImage) == original);
        EXPECT_EQ(FileNamesIn(bench.dir.path()), std::vector<std::string>{"images"});
        EXPECT_EQ(FileNamesIn(image.parent_path()), (std::vector<std::string>{"my image.vnf", "real.vnf"}));
        fs::remove(image);
    }
}

struct StepFailureCase {
    std::string name;
    ImageSpec spec;
    std::string stepArguments;  // the sectmend step that goes wrong; empty: none
    std::string action;         // what sectmend does on it
    std::string message;        // IMAGE stands for the image's path
};
void PrintTo(const StepFailureCase& c, std::ostream* os) { *os << c.name; }

class SigningStepFailure : public SignImageBench, public ::testing::WithParamInterface<StepFailureCase> {};

// Whatever step fails, the steps before it changed only the working copy.
TEST_P(SigningStepFailure, NamesTheStepAndLeavesTheImageAsItWas)
{
    const StepFailureCase& c = GetParam();
    MakeImage(c.spec);
    testing::ToolDirectory tools;
    if (!c.stepArguments.empty())
        tools.Fault(c.stepArguments, c.action);
    bench.state.toolDirectory = tools.path();
    EXPECT_FALSE(OnGenerate(bench.state, bench.ui).ok());
    std::string message = c.message;
    ExpectUnchangedAfter(message.replace(message.find("IMAGE"), 5, image.string()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SigningStepFailure,
    ::testing::Values(
        StepFailureCase{"NoMsgCode", Without(MessageImage(), "msg_code"), "", "",
                        "sectmend failed (status 1) while reading section msg_code of IMAGE: ERROR: msg_code "
                        "section does not exist.\n"},
        StepFailureCase{"NoMsgData", Without(MessageImage(), "msg_data"), "", "",
                        "sectmend failed (status 1) while reading section msg_data of IMAGE: ERROR: msg_data "
                        "section does not exist.\n"},
        StepFailureCase{"NoSignatureSection", Without(MessageImage(), "digital_signature"), "", "",
                        "sectmend failed (status 1) while reading section digital_signature of IMAGE: ERROR: "
                        "digital_signature section does not exist.\n"},
        // Contents of unequal sizes cannot be exchanged without cutting one.
        StepFailureCase{"LongerMsgCode", MessageImage(96, 40), "", "",
                        "msg_code (96 bytes) and msg_data (40 bytes) of IMAGE differ in size, so their "
                        "contents cannot be exchanged. Nothing was changed.\n"},
        StepFailureCase{"LongerMsgData", MessageImage(24, 100), "", "",
                        "msg_code (24 bytes) and msg_data (100 bytes) of IMAGE differ in size, so their "
                        "contents cannot be exchanged. Nothing was changed.\n"},
        StepFailureCase{"SignatureSectionTooShort", MessageImage(64, 64, 40), "", "",
                        "The digital_signature section of IMAGE holds 40 bytes, but the signature needs "
                        "48.\n"},
        // msg_code of the working copy was already exchanged.
        StepFailureCase{"SecondExchangeFails", MessageImage(), "-replace msg_data ", "echo 'ERROR: disk full'; exit 4",
                        "sectmend failed (status 4) while writing section msg_data of IMAGE: ERROR: disk full\n"},
        StepFailureCase{"WriteSaysMore", MessageImage(), "-replace digital_signature ", "echo 'note: padded'",
                        "sectmend printed something unexpected while writing section digital_signature of IMAGE: "
                        "note: padded\n"},
        StepFailureCase{"SignatureNotWritten", MessageImage(), "-replace digital_signature ", "exit 0",
                        "The signature read back from section digital_signature of IMAGE differs from the "
                        "one written.\n"}),
    [](const ::testing::TestParamInfo<StepFailureCase>& info) { return info.param.name; });

TEST_F(SignImageBench, MissingSectionToolIsReported)
{
    MakeImage(MessageImage());
    testing::TempDir tools;
    fs::copy_file(testing::ToolsDir() / "ecc_koblitz.ecs", tools / "ecc_koblitz.ecs");
    bench.state.toolDirectory = tools.path().string();
    EXPECT_FALSE(OnGenerate(bench.state, bench.ui).ok());
    ExpectUnchangedAfter("Could not start " + (tools / "sectmend").string() + " for reading section digital_signature of " +
                         image.string() + ": No such file or directory.\n");
}

}  // namespace
}  // namespace vantrel
