#include "buttons/SaveChecks.h"

#include <algorithm>
#include <filesystem>

#include "encryption/AesKeyText.h"
#include "verify/VerifyImage.h"

namespace vantrel {

namespace {

std::size_t CountRows(const ProtectRequest& request, Treatment treatment)
{
    return static_cast<std::size_t>(std::count(request.treatments.begin(), request.treatments.end(), treatment));
}

int KeyDigits(const ProtectRequest& request)
{
    return 2 * AesKeyBytes(request.keyLength);
}

std::string KeyLenText(const ProtectRequest& request)
{
    return "Key Len " + std::to_string(8 * AesKeyBytes(request.keyLength)) + " takes " +
           std::to_string(KeyDigits(request)) + " hexadecimal digits";
}

Status CheckKey(const ProtectRequest& request, std::string_view keyText)
{
    if (!IsHexKeyText(keyText))
        return Status::Fail(KeyNotHexMessage);
    // Never an all-zero key for an empty box: the AESData table is encrypted
    // with the key even when only hash boxes are ticked.
    if (keyText.empty())
        return Status::Fail("Please type the AES key: " + KeyLenText(request) + ". Without it the " +
                            (CountRows(request, Treatment::Encrypt) > 0 ? "AES sections" : "AESData table") +
                            " would be encrypted with a key of zeros. Nothing was saved.\n");
    if (keyText.size() > static_cast<std::size_t>(KeyDigits(request)))
        return Status::Fail("The key has " + std::to_string(keyText.size()) + " hexadecimal digits, but " +
                            KeyLenText(request) + ". Please shorten it or choose a longer Key Len. Nothing was "
                            "saved.\n");
    return Done{};
}

}  // namespace

Status CheckSaveChoices(const ProtectRequest& request, std::string_view keyText)
{
    if (Status choices = CheckProtectChoices(request); !choices)
        return choices;
    return CheckKey(request, keyText);
}

std::vector<std::string> SaveQuestions(const ProtectRequest& request, std::string_view keyText)
{
    std::vector<std::string> questions;
    if (keyText.size() < static_cast<std::size_t>(KeyDigits(request)))
        questions.push_back("The key has " + std::to_string(keyText.size()) + " hexadecimal digits, but " +
                            KeyLenText(request) + ". It will be filled with zeros in front, which makes it "
                            "easier to guess.\n\nSave with this key?");
    if (request.mode == AesMode::Ofb || request.mode == AesMode::Ctr)
        questions.push_back("With Mode OFB or CTR every encrypted section and the AESData table are encrypted "
                            "with the same key stream, started again from one IV. Anyone holding the protected "
                            "image can then recover the encrypted contents and rewrite the table's digests; CBC "
                            "does not have this weakness.\n\nSave with this mode anyway?");
    if (request.mode == AesMode::Ecb)
        questions.push_back("With Mode ECB equal 16-byte blocks of a section give equal encrypted blocks, so "
                            "anyone holding the protected image sees where the contents repeat; CBC does not "
                            "have this weakness.\n\nSave with this mode anyway?");
    return questions;
}

std::optional<std::string> UnsignedImageQuestion(const std::string& imagePath, const std::string& toolDirectory)
{
    VerifyRequest verify;
    verify.imagePath = imagePath;
    verify.toolDirectory = toolDirectory;
    verify.publicKeyPath = std::filesystem::absolute("public.ecs").string();
    const std::optional<std::string> problem = SignatureProblem(verify);
    if (!problem)
        return std::nullopt;
    return imagePath + " is not signed with the key in " + verify.publicKeyPath + " (" + *problem +
           "). A device that checks the signature will refuse the protected image; sign it with Generate "
           "first.\n\nSave it anyway?";
}

}  // namespace vantrel
