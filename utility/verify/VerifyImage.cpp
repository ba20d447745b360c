#include "verify/VerifyImage.h"

#include <optional>
#include <vector>

#include "core/Outcome.h"
#include "core/Sha1.h"

#include "signing/CurveFile.h"
#include "signing/KeyFolderLock.h"
#include "verify/AesDataCheck.h"
#include "verify/ImageSections.h"
#include "signing/SignatureCheck.h"

namespace vantrel {

namespace {

std::optional<std::vector<std::uint8_t>> SectionBytes(ImageSections& image, const std::string& name,
                                                      std::string& error)
{
    if (!image.FindByName(name)) {
        error = "the image has no " + name + " section";
        return std::nullopt;
    }
    return image.ReadBytes(name, error);
}

// The SHA-1 of msg_data, streamed (a message of any size is never held
// whole); its size in size.
std::optional<Sha1Digest> MessageDigest(ImageSections& image, std::uint64_t& size, std::string& error)
{
    const ListedSection* section = image.FindByName("msg_data");
    if (!section) {
        error = "the image has no msg_data section";
        return std::nullopt;
    }
    size = section->size;
    Sha1Stream stream;
    Sha1Digest digest{};
    if (!image.StreamBytes(*section, [&stream](std::span<const std::uint8_t> piece) { return stream.Add(piece); },
                           error))
        return std::nullopt;
    if (Status finished = stream.Finish(digest); !finished) {
        error = MessageLine(finished.message());
        return std::nullopt;
    }
    return digest;
}

void CheckImageSignature(const VerifyRequest& request, ImageSections& image, VerifyReport& report)
{
    std::string detail;
    std::uint64_t size = 0;
    auto signature = SectionBytes(image, "digital_signature", detail);
    auto digest = signature ? MessageDigest(image, size, detail) : std::nullopt;
    if (!digest) {
        report.Fail("signature", detail);
        return;
    }
    SignatureInputs inputs{CurveFilePath(request.toolDirectory), request.publicKeyPath, std::move(*signature),
                           *digest};
    if (CheckSignature(inputs, detail))
        report.Pass("signature", "ECDSA signature over msg_data (" + std::to_string(size) + " bytes) holds for " +
                                     request.publicKeyPath);
    else
        report.Fail("signature", detail);
}

void CheckImageRecord(const VerifyRequest& request, ImageSections& image, VerifyReport& report)
{
    if (!request.keyText) {
        report.Skip("AESData", "not checked: give the AES key to check the record and its sections");
        return;
    }
    std::string error;
    const auto record = SectionBytes(image, "AESData", error);
    if (!record) {
        report.Fail("AESData", error);
        return;
    }
    ImageSections original(request.toolDirectory, request.originalImagePath);
    bool compare = !request.originalImagePath.empty();
    if (compare && !original.List(error)) {
        report.Fail("original", error);
        compare = false;
    }
    CheckAesData(*record, *request.keyText, image, compare ? &original : nullptr, report, request.progress);
}

}  // namespace

VerifyReport VerifyImage(const VerifyRequest& request)
{
    VerifyReport report;
    // The public key is read under the key folder's lock, never halfway
    // through a replacement of its pair.
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take({request.publicKeyPath, request.publicKeyPath},
                                                      KeyLockMode::Shared, request.progress);
    if (!lock) {
        report.Fail("public key", lock.message());
        return report;
    }
    ImageSections image(request.toolDirectory, request.imagePath);
    std::string error;
    if (!image.List(error)) {
        report.Fail("image", error);
        return report;
    }
    CheckImageSignature(request, image, report);
    CheckImageRecord(request, image, report);
    return report;
}

std::optional<std::string> SignatureProblem(const VerifyRequest& request)
{
    VerifyRequest signatureOnly;
    signatureOnly.imagePath = request.imagePath;
    signatureOnly.toolDirectory = request.toolDirectory;
    signatureOnly.publicKeyPath = request.publicKeyPath;
    std::string detail = "it could not be checked";
    for (const VerifyCheck& check : VerifyImage(signatureOnly).checks) {
        if (check.subject == "signature" && check.outcome == CheckOutcome::Passed)
            return std::nullopt;
        if (check.outcome == CheckOutcome::Failed)
            detail = MessageLine(check.detail);
    }
    return detail;
}

}  // namespace vantrel
