#include "signing/ExternalSigning.h"

#include <cstdint>
#include <span>
#include <vector>

#include "core/Files.h"
#include "core/HexText.h"
#include "signing/CurveFile.h"
#include "signing/KeyFiles.h"
#include "signing/SignatureFile.h"
#include "signing/KeyFolderLock.h"
#include "signing/SigningSteps.h"
#include "signing/SignatureCheck.h"

namespace vantrel {

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string TargetOf(const std::string& image, const std::string& output)
{
    return output.empty() ? image : output;
}

Bytes DigestFileBytes(const Sha1Digest& digest, DigestFormat format)
{
    if (format == DigestFormat::Raw)
        return Bytes(digest.begin(), digest.end());
    const std::string text = BytesToHex(digest) + "\n";
    return Bytes(text.begin(), text.end());
}

// The signature is checked exactly as verify and the boot code check it.
Status CheckExternalSignature(const ExternalSignatureRequest& request, const EcdsaSignature& signature,
                              const Sha1Digest& messageDigest, const std::string& target)
{
    Outcome<Bytes> bytes = SignatureRecordBytes(signature);
    if (!bytes)
        return Status::Fail("The signature in " + request.signaturePath +
                            " does not fit digital_signature: r or s has more than 24 bytes. Nothing was "
                            "changed.\n");
    std::string detail;
    const SignatureInputs inputs{CurveFilePath(request.toolDirectory), request.publicKeyPath, bytes.value(),
                                 messageDigest};
    if (!CheckSignature(inputs, detail))
        return Status::Fail("The signature in " + request.signaturePath + " does not verify against " +
                            request.publicKeyPath + " and the message of " + target + " (" + detail +
                            "). Nothing was changed.\n");
    return Done{};
}

}  // namespace

Outcome<PreparedDigest> PrepareExternalSignature(const DigestRequest& request)
{
    using Result = Outcome<PreparedDigest>;
    const std::string target = TargetOf(request.imagePath, request.outputPath);
    const std::string messagePath = request.digestPath + ".message";
    const std::vector<NamedFile> digestFiles{{request.digestPath, "digest file"}, {messagePath, "message file"},
                                             {SignatureRecordFileName, "key file"}};
    if (Status files = CheckSigningFiles(request.imagePath, target, digestFiles); !files)
        return Result::Fail(files.message());
    for (const std::string& file : {request.digestPath, messagePath})
        if (Status replaceable = CheckReplaceableFile(file); !replaceable)
            return Result::Fail(replaceable.message());

    Outcome<WorkingCopy> copy = OpenWorkingCopy(request.toolDirectory, request.imagePath, target);
    if (!copy)
        return Result::Fail(copy.message());
    Report(request.progress, "preparing " + target + " for a signature made elsewhere");
    Outcome<SigningMessage> message = MessageToSign(copy.value(), nullptr);
    if (!message)
        return Result::Fail(message.message());
    const PreparedDigest prepared{message.value().digest, target, messagePath};

    Outcome<PendingFile> digestFile =
        PendingFile::Write(request.digestPath, DigestFileBytes(prepared.digest, request.format), 0644);
    if (!digestFile)
        return Result::Fail(digestFile.message());
    Outcome<PendingFile> messageFile = PendingFile::Copy(messagePath, message.value().file, 0644);
    if (!messageFile)
        return Result::Fail(messageFile.message());
    // The digest files first: an image left unexchanged by a failure after
    // them gives the same digest when the step is run again.
    for (Outcome<PendingFile>* file : {&digestFile, &messageFile})
        if (Status committed = file->value().Commit(); !committed)
            return Result::Fail(committed.message());
    if (Status committed = CommitCopy(copy.value()); !committed)
        return Result::Fail(committed.message());
    return prepared;
}

Status ApplyExternalSignature(const ExternalSignatureRequest& request)
{
    const std::string target = TargetOf(request.imagePath, request.outputPath);
    const std::vector<NamedFile> keyFiles{{request.publicKeyPath, "key file"},
                                          {request.signaturePath, "signature file"},
                                          {SignatureRecordFileName, "key file"}};
    if (Status files = CheckSigningFiles(request.imagePath, target, keyFiles); !files)
        return files;
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take({request.publicKeyPath, request.publicKeyPath},
                                                      KeyLockMode::Shared, request.progress);
    if (!lock)
        return Status::Fail(lock.message());
    Outcome<EcdsaSignature> signature = ReadSignatureFile(request.signaturePath);
    if (!signature)
        return Status::Fail(signature.message());

    Outcome<WorkingCopy> copy = OpenWorkingCopy(request.toolDirectory, request.imagePath, target);
    if (!copy)
        return Status::Fail(copy.message());
    Report(request.progress, "checking the signature in " + request.signaturePath);
    Outcome<SigningMessage> message = SignedMessage(copy.value());
    if (!message)
        return Status::Fail(message.message());
    if (Status verified = CheckExternalSignature(request, signature.value(), message.value().digest, request.imagePath);
        !verified)
        return verified;
    Report(request.progress, "signing " + target);
    return FinishSigning(copy.value(), signature.value());
}

}  // namespace vantrel
