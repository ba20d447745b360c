#include "signing/SigningSteps.h"

#include <algorithm>
#include <system_error>

namespace vantrel {

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// digital_signature must hold r and s; a smaller section is refused before
// any change, whichever way the image is signed.
Status CheckSignatureRoom(std::size_t sectionSize, const std::string& image)
{
    constexpr std::size_t needed = 2 * SignatureValueBytes;
    if (sectionSize < needed)
        return Status::Fail("The digital_signature section of " + image + " holds " +
                            std::to_string(sectionSize) + " bytes, but the signature needs " +
                            std::to_string(needed) + ".\n");
    return Done{};
}

}  // namespace

Status CheckSigningFiles(const std::string& image, const std::string& target, const std::vector<NamedFile>& others)
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(image, error)))
        return Status::Fail("Problem - cannot read the image " + image + ": No such file or directory");
    for (const std::string& file : {image, target})
        if (Status replaceable = CheckReplaceableFile(file); !replaceable)
            return replaceable;
    for (const std::string& file : {image, target})
        for (const NamedFile& other : others)
            if (fs::exists(file, error) && fs::exists(other.path, error) && fs::equivalent(file, other.path, error))
                return Status::Fail("The image " + file + " is the " + other.role + " " + other.path +
                                    "; signing would overwrite it. Rename the image.\n");
    return Done{};
}

Outcome<WorkingCopy> OpenWorkingCopy(const std::string& toolDirectory, const std::string& image,
                                     const std::string& target)
{
    const fs::path targetPath(target);
    Outcome<ToolSession> session =
        ToolSession::Open(toolDirectory, targetPath.has_parent_path() ? targetPath.parent_path() : ".");
    if (!session)
        return Outcome<WorkingCopy>::Fail(session.message());
    Outcome<fs::path> working = session.value().CopyIn(image, image);
    if (!working)
        return Outcome<WorkingCopy>::Fail(working.message());
    return WorkingCopy{std::move(session.value()), std::move(working.value()), targetPath, image};
}

namespace {

constexpr const char* CodeFileName = "msg_code.bin";
constexpr const char* DataFileName = "msg_data.bin";

// The message in the folder's file name: its size and digest.
Outcome<SigningMessage> MessageIn(const WorkingCopy& copy, const std::string& name, std::uint64_t size)
{
    SigningMessage message{copy.session.folder() / name, size, {}};
    if (Status hashed = Sha1OfFile(message.file, message.digest); !hashed)
        return Outcome<SigningMessage>::Fail(hashed.message());
    return message;
}

}  // namespace

Outcome<SigningMessage> ExchangeMessages(WorkingCopy& copy)
{
    using Result = Outcome<SigningMessage>;
    ToolSession& tools = copy.session;
    Outcome<std::uint64_t> code = tools.SaveSection(copy.file, "msg_code", CodeFileName);
    if (!code)
        return Result::Fail(code.message());
    Outcome<std::uint64_t> data = tools.SaveSection(copy.file, "msg_data", DataFileName);
    if (!data)
        return Result::Fail(data.message());
    const std::uint64_t size = code.value();
    if (size != data.value())
        return Result::Fail("msg_code (" + std::to_string(size) + " bytes) and msg_data (" +
                            std::to_string(data.value()) + " bytes) of " + copy.image +
                            " differ in size, so their contents cannot be exchanged. Nothing was changed.\n");
    Outcome<Bytes> section = tools.GetSection(copy.file, "digital_signature");
    if (!section)
        return Result::Fail(section.message());
    if (Status room = CheckSignatureRoom(section.value().size(), copy.image); !room)
        return Result::Fail(room.message());
    const fs::path& folder = tools.folder();
    if (Status step = tools.ReplaceSectionFrom(copy.file, "msg_code", folder / DataFileName, size); !step)
        return Result::Fail(step.message());
    if (Status step = tools.ReplaceSectionFrom(copy.file, "msg_data", folder / CodeFileName, size); !step)
        return Result::Fail(step.message());
    return MessageIn(copy, CodeFileName, size);
}

namespace {

// Whether digital_signature holds a signature.
Outcome<bool> AlreadySigned(WorkingCopy& copy)
{
    Outcome<Bytes> section = copy.session.GetSection(copy.file, "digital_signature");
    if (!section)
        return Outcome<bool>::Fail(section.message());
    // An unsigned image's section is one filler byte repeated (zeros, or
    // erased flash); r and s never are.
    const Bytes& bytes = section.value();
    return std::any_of(bytes.begin(), bytes.end(), [&](std::uint8_t byte) { return byte != bytes.front(); });
}

}  // namespace

Outcome<SigningMessage> MessageToSign(WorkingCopy& copy, const std::function<bool(const std::string&)>& confirmResign)
{
    Outcome<bool> signedBefore = AlreadySigned(copy);
    if (!signedBefore)
        return Outcome<SigningMessage>::Fail(signedBefore.message());
    if (!signedBefore.value())
        return ExchangeMessages(copy);
    if (!confirmResign || !confirmResign(copy.image + " is already signed. Sign its message again as it stands, "
                                                      "without exchanging msg_code and msg_data?"))
        return Outcome<SigningMessage>::Fail(AlreadySignedMessage(copy.image));
    return SignedMessage(copy);
}

std::string AlreadySignedMessage(const std::string& image)
{
    return image + " is already signed: its digital_signature holds a signature, and signing again "
           "would exchange msg_code and msg_data back. Nothing was changed.\n";
}

Outcome<SigningMessage> SignedMessage(WorkingCopy& copy)
{
    Outcome<std::uint64_t> size = copy.session.SaveSection(copy.file, "msg_data", DataFileName);
    if (!size)
        return Outcome<SigningMessage>::Fail(size.message());
    return MessageIn(copy, DataFileName, size.value());
}

Outcome<Bytes> SignatureRecordBytes(const EcdsaSignature& signature)
{
    Bytes bytes(2 * SignatureValueBytes);
    if (BN_bn2lebinpad(signature.r.get(), bytes.data(), SignatureValueBytes) != SignatureValueBytes ||
        BN_bn2lebinpad(signature.s.get(), bytes.data() + SignatureValueBytes, SignatureValueBytes) !=
            SignatureValueBytes)
        return Outcome<Bytes>::Fail("Problem - the signature does not fit the 24 bytes each of r and s");
    return bytes;
}

namespace {

// The signature into digital_signature, read back; signature.ecs written
// under a fresh name, to be committed with the image.
Outcome<PendingFile> WriteSignature(WorkingCopy& copy, const EcdsaSignature& signature)
{
    using Result = Outcome<PendingFile>;
    ToolSession& tools = copy.session;
    Outcome<Bytes> section = tools.GetSection(copy.file, "digital_signature");
    if (!section)
        return Result::Fail(section.message());
    const std::size_t sectionSize = section.value().size();
    if (Status room = CheckSignatureRoom(sectionSize, copy.image); !room)
        return Result::Fail(room.message());
    // Zeros after r and s, as the section tool has always left a section
    // that its text did not fill.
    Outcome<Bytes> bytes = SignatureRecordBytes(signature);
    if (!bytes)
        return Result::Fail(bytes.message());
    bytes.value().resize(sectionSize, 0);
    if (Status step = tools.ReplaceSection(copy.file, "digital_signature", bytes.value(), sectionSize); !step)
        return Result::Fail(step.message());
    // Read back, so that what the image holds is known, not assumed.
    Outcome<Bytes> readBack = tools.GetSection(copy.file, "digital_signature");
    if (!readBack)
        return Result::Fail(readBack.message());
    if (readBack.value() != bytes.value())
        return Result::Fail("The signature read back from section digital_signature of " + copy.image +
                            " differs from the one written.\n");
    return PrepareSignatureRecord(signature.r.get(), signature.s.get());
}

}  // namespace

Status CommitCopy(WorkingCopy& copy)
{
    return copy.session.CommitOver(copy.file, copy.target, "signed");
}

Status FinishSigning(WorkingCopy& copy, const EcdsaSignature& signature)
{
    Outcome<PendingFile> record = WriteSignature(copy, signature);
    if (!record)
        return Status::Fail(record.message());
    if (Status committed = CommitCopy(copy); !committed)
        return committed;
    // signature.ecs records the last signature made in its folder: a run
    // that signed another image here meanwhile does not make this one fail.
    if (Status recorded = record.value().CommitOverLatest(); !recorded)
        return Status::Fail(recorded.message() + copy.image + " is signed; only " + SignatureRecordFileName +
                            " was not written.\n");
    return Done{};
}

}  // namespace vantrel
