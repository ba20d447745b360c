#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <openssl/obj_mac.h>

#include "ElfMaker.h"
#include "SigningTestSupport.h"
#include "signing/Generate.h"
#include "signing/MessageSwap.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::HexNumber;
using testing::ImageSpec;
using testing::PatternBytes;
using testing::ReadFileBytes;
using testing::ReadFileText;
using testing::WriteFileText;

const std::string Signed = "Digital Signature Signed!\n";

ImageSpec MessageImage(std::size_t codeSize, std::size_t dataSize)
{
    ImageSpec spec;
    spec.sections = {{"msg_code", PatternBytes(codeSize, 11), 1, 6, 0x1000},
                     {"msg_data", PatternBytes(dataSize, 12), 1, 3, 0x2000},
                     {"digital_signature", Bytes(48, 0xAA), 1, 2, 0x3000},
                     {"AESData", PatternBytes(32, 13), 1, 2, 0x3100}};
    return spec;
}

ImageSpec Without(ImageSpec spec, const std::string& name)
{
    std::erase_if(spec.sections, [&](const testing::SectionSpec& s) { return s.name == name; });
    return spec;
}

Bytes SectionOf(const Bytes& file, const ImageSpec& spec, const std::string& name)
{
    for (const testing::SectionSpec& section : spec.sections) {
        if (section.name == name) {
            const auto offset = testing::SectionOffset(spec, name);
            return Bytes(file.begin() + offset, file.begin() + offset + static_cast<long>(section.bytes.size()));
        }
    }
    return {};
}

Bytes Padded(Bytes bytes, std::size_t size)
{
    bytes.resize(size, 0);
    return bytes;
}

// A signing bench with an image (its name holds a blank) in the working
// directory.
class SignImageBench : public ::testing::Test {
protected:
    void MakeImage(const ImageSpec& imageSpec)
    {
        spec = imageSpec;
        testing::WriteElfImage(image, spec);
        bench.ui.image = image.string();
        original = ReadFileBytes(image);
    }

    // r and s of signature.ecs.
    std::pair<BignumPtr, BignumPtr> RecordedSignature()
    {
        std::istringstream record(ReadFileText("signature.ecs"));
        std::string r, s;
        record >> r >> s;
        return {HexNumber(r), HexNumber(s)};
    }

    // The signature section holds r and s of signature.ecs, each 24 bytes
    // least significant first, and they verify over message with public.ecs.
    void ExpectSignatureOver(const Bytes& message)
    {
        const Bytes section = SectionOf(ReadFileBytes(image), spec, "digital_signature");
        auto [r, s] = RecordedSignature();
        ASSERT_EQ(section.size(), 48u);
        BignumPtr sectionR(BN_lebin2bn(section.data(), 24, nullptr));
        BignumPtr sectionS(BN_lebin2bn(section.data() + 24, 24, nullptr));
        EXPECT_EQ(BN_cmp(sectionR.get(), r.get()), 0);
        EXPECT_EQ(BN_cmp(sectionS.get(), s.get()), 0);
        EXPECT_TRUE(testing::OpenSslVerifies(NID_sect163k1, ReadFileText("public.ecs"), message, r.get(), s.get()));
    }

    void ExpectNoTemporaryFiles()
    {
        for (const char* name : {"signature.bin", "signature.bf", "tmp.bf", "tmp.bin", "tmp.vnf"})
            EXPECT_FALSE(fs::exists(name)) << name;
    }

    void ExpectUnchangedAfter(const std::string& message)
    {
        EXPECT_EQ(bench.ui.messages, std::vector<std::string>{message});
        EXPECT_EQ(ReadFileBytes(image), original);
    }

    testing::SigningBench bench;
    fs::path image = bench.path("my image.vnf");
    ImageSpec spec;
    Bytes original;
};

TEST_F(SignImageBench, SignsTheFormerMsgCodeAndExchangesTheSections)
{
    MakeImage(MessageImage(64, 64));
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0);
    EXPECT_EQ(bench.ui.messages, std::vector<std::string>{Signed});
    const Bytes after = ReadFileBytes(image);
    EXPECT_EQ(SectionOf(after, spec, "msg_code"), SectionOf(original, spec, "msg_data"));
    EXPECT_EQ(SectionOf(after, spec, "msg_data"), SectionOf(original, spec, "msg_code"));
    EXPECT_EQ(SectionOf(after, spec, "AESData"), SectionOf(original, spec, "AESData"));
    EXPECT_EQ(after.size(), original.size());
    ExpectSignatureOver(SectionOf(original, spec, "msg_code"));
    ExpectNoTemporaryFiles();
    EXPECT_TRUE(fs::exists("signature.ecs"));
}

TEST_F(SignImageBench, SigningTwiceSwapsTheSectionsBackAndSignsTheOtherOne)
{
    MakeImage(MessageImage(64, 64));
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0);
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0);
    EXPECT_EQ(bench.ui.messages, (std::vector<std::string>{Signed, Signed}));
    const Bytes after = ReadFileBytes(image);
    EXPECT_EQ(SectionOf(after, spec, "msg_code"), SectionOf(original, spec, "msg_code"));
    EXPECT_EQ(SectionOf(after, spec, "msg_data"), SectionOf(original, spec, "msg_data"));
    ExpectSignatureOver(SectionOf(original, spec, "msg_data"));
}

TEST_F(SignImageBench, SameKeyAndImageGiveTheSameSignature)
{
    MakeImage(MessageImage(64, 64));
    const fs::path copy = bench.path("copy.vnf");
    fs::copy_file(image, copy);
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0);
    bench.ui.image = copy.string();
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0);
    EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(image));
}

TEST_F(SignImageBench, GeneratedKeyPairSignsToo)
{
    MakeImage(MessageImage(64, 64));
    bench.ui.keyPair = KeyPairIndex::Generate;
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0) << bench.ui.lastMessage();
    ExpectSignatureOver(SectionOf(original, spec, "msg_code"));
}

TEST_F(SignImageBench, DefaultUsesTheKeyFilesThatAreThere)
{
    MakeImage(MessageImage(64, 64));
    bench.ui.keyPair = KeyPairIndex::Generate;
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0);
    const std::string privateKey = ReadFileText("private.ecs");
    bench.ui.keyPair = KeyPairIndex::Default;
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0);
    EXPECT_EQ(ReadFileText("private.ecs"), privateKey);
    ExpectSignatureOver(SectionOf(original, spec, "msg_data"));
}

TEST_F(SignImageBench, EmptyImagePathDoesNothing)
{
    bench.ui.image = "";
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);
    EXPECT_EQ(bench.ui.messages, std::vector<std::string>{"Please input the VNF file!"});
    EXPECT_TRUE(fs::is_empty(bench.dir.path()));
}

TEST_F(SignImageBench, MissingPrivateKeyLeavesTheImageUntouched)
{
    MakeImage(MessageImage(64, 64));
    bench.ui.keyPair = KeyPairIndex::Default;
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);
    ExpectUnchangedAfter(
        "We use private key in file private.ecs,\nPlease check if you have this file in current directory.\n");
    EXPECT_FALSE(fs::exists("signature.bin"));
}

TEST_F(SignImageBench, ZeroPrivateKeyIsRefused)
{
    MakeImage(MessageImage(64, 64));
    bench.ui.keyPair = KeyPairIndex::Default;
    WriteFileText("private.ecs", "0\n");
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);
    ExpectUnchangedAfter("Problem - the private key in private.ecs is not between 1 and q-1 of ecc_koblitz.ecs");
}

TEST_F(SignImageBench, MissingCurveFileLeavesTheImageUntouched)
{
    MakeImage(MessageImage(64, 64));
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0);
    original = ReadFileBytes(image);
    bench.ui.messages.clear();
    const testing::ToolDirectory tools("");
    fs::remove(fs::path(tools.path()) / "ecc_koblitz.ecs");
    bench.state.toolDirectory = tools.path();
    bench.ui.keyPair = KeyPairIndex::Default;
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);
    ExpectUnchangedAfter("Problem - no (x,y) point, may be missing ecc_koblitz.ecs");
}

TEST_F(SignImageBench, OrderAbove192BitsIsRefused)
{
    MakeImage(MessageImage(64, 64));
    const testing::ToolDirectory tools(testing::CurveFileText(NID_sect233k1));
    bench.state.toolDirectory = tools.path();
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);  // the Pelora key pair is made, then the signing stops
    ExpectUnchangedAfter("Problem - the order q in ecc_koblitz.ecs has more than 192 bits, but digital_signature "
                         "holds r and s in 24 bytes each");
}

TEST_F(SignImageBench, MissingImageIsReported)
{
    bench.ui.image = bench.path("absent.vnf").string();
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);
    EXPECT_EQ(bench.ui.messages,
              std::vector<std::string>{"Problem - cannot read the image " + bench.ui.image + ": No such file or directory"});
}

struct SectionSizes {
    std::size_t code, data;
};

class UnequalMessageSections : public SignImageBench, public ::testing::WithParamInterface<SectionSizes> {};

// The shorter content leaves the rest of the longer section zero, the longer
// content is cut to the shorter section; the signature covers all of the
// former msg_code.
TEST_P(UnequalMessageSections, AreExchangedAsTheSectionToolReplaces)
{
    const SectionSizes sizes = GetParam();
    MakeImage(MessageImage(sizes.code, sizes.data));
    ASSERT_EQ(OnGenerate(bench.state, bench.ui), 0) << bench.ui.lastMessage();
    const Bytes after = ReadFileBytes(image);
    EXPECT_EQ(SectionOf(after, spec, "msg_code"), Padded(SectionOf(original, spec, "msg_data"), sizes.code));
    EXPECT_EQ(SectionOf(after, spec, "msg_data"), Padded(SectionOf(original, spec, "msg_code"), sizes.data));
    ExpectSignatureOver(SectionOf(original, spec, "msg_code"));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnequalMessageSections,
                         ::testing::Values(SectionSizes{96, 40}, SectionSizes{24, 100}));

struct StepFailureCase {
    std::string name;
    std::string missingSection;
    std::string step;  // the message's step, with IMAGE for the image path
};

class SigningStepFailure : public SignImageBench, public ::testing::WithParamInterface<StepFailureCase> {};

TEST_P(SigningStepFailure, NamesTheStepAndLeavesTheImageAsItWas)
{
    MakeImage(Without(MessageImage(64, 64), GetParam().missingSection));
    // Left-overs of an earlier run must not pass for this run's output.
    WriteFileText("tmp.bin", "stale");
    WriteFileText("signature.bin", "stale");
    std::string step = GetParam().step;
    step.replace(step.find("IMAGE"), 5, image.string());
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);
    ExpectUnchangedAfter("Error: signing step " + step + " failed: sectmend ended with status 1.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SigningStepFailure,
    ::testing::Values(
        StepFailureCase{"NoMsgCode", "msg_code", "exchange 1 (copy section msg_code of IMAGE to signature.bin)"},
        StepFailureCase{"NoMsgData", "msg_data", "exchange 2 (copy section msg_data of IMAGE to tmp.bin)"},
        StepFailureCase{"NoSignatureSection", "digital_signature",
                        "writing the signature into section digital_signature of IMAGE"}),
    [](const ::testing::TestParamInfo<StepFailureCase>& info) { return info.param.name; });

// The section tool cuts an oversized replacement short with only a warning;
// a signing into a section that cannot hold r and s must fail, not report
// an image with half a signature as signed.
TEST_F(SignImageBench, SignatureSectionShorterThanTheSignatureFails)
{
    ImageSpec shortSignature = MessageImage(64, 64);
    for (testing::SectionSpec& section : shortSignature.sections)
        if (section.name == "digital_signature")
            section.bytes = Bytes(40, 0xAA);
    MakeImage(shortSignature);
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);
    ExpectUnchangedAfter("Error: the digital_signature section of " + image.string() +
                         " holds 40 bytes, but the signature needs 48.\n");
    EXPECT_FALSE(fs::exists("tmp.bin"));
}

TEST_F(SignImageBench, MissingSectionToolIsReported)
{
    MakeImage(MessageImage(64, 64));
    testing::TempDir tools;
    fs::copy_file(testing::ToolsDir() / "ecc_koblitz.ecs", tools / "ecc_koblitz.ecs");
    bench.state.toolDirectory = tools.path().string();
    EXPECT_EQ(OnGenerate(bench.state, bench.ui), -1);
    ExpectUnchangedAfter("Error: signing step exchange 1 (copy section msg_code of " + image.string() +
                         " to signature.bin) failed: " + (tools / "sectmend").string() + " could not be started.\n");
}

TEST_F(SignImageBench, SwapMessageSectionsAloneExchangesAndKeepsTheMessage)
{
    MakeImage(MessageImage(64, 64));
    ASSERT_EQ(SwapMessageSections(bench.state, bench.ui), 0);
    const Bytes after = ReadFileBytes(image);
    EXPECT_EQ(SectionOf(after, spec, "msg_code"), SectionOf(original, spec, "msg_data"));
    EXPECT_EQ(SectionOf(after, spec, "msg_data"), SectionOf(original, spec, "msg_code"));
    EXPECT_EQ(ReadFileBytes("signature.bin"), SectionOf(original, spec, "msg_code"));
    EXPECT_FALSE(fs::exists("tmp.bin"));
    EXPECT_FALSE(fs::exists("tmp.vnf"));
    EXPECT_TRUE(bench.ui.messages.empty());
}

TEST_F(SignImageBench, SwapMessageSectionsWithoutImage)
{
    bench.ui.image = "";
    EXPECT_EQ(SwapMessageSections(bench.state, bench.ui), -1);
    EXPECT_EQ(bench.ui.messages, std::vector<std::string>{"Please input the VNF file.\n"});
}

}  // namespace
}  // namespace vantrel
