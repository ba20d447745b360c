#include <filesystem>
#include <string>
#include <vector>

#include "buttons/ButtonReport.h"
#include "buttons/Buttons.h"
#include "encryption/SaveMessages.h"
#include "keys/PublicKeyFingerprint.h"
#include "signing/CurveFile.h"
#include "signing/SignImage.h"

namespace vantrel {

namespace {

KeyPairSource KeyPairChoice(const UserInterface& ui)
{
    switch (ui.comboSelection(Combo::KeyPair)) {
    case KeyPairIndex::Pelora:
        return KeyPairSource::Pelora;
    case KeyPairIndex::Generate:
        return KeyPairSource::Generate;
    default:
        return KeyPairSource::Default;
    }
}

std::string Absolute(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

// What the signing did, after the dialog's own sentence: the image changed in
// place, the key pair and its fingerprint, and the key files written or kept.
std::string GenerateSummary(const SignRequest& request, bool pairWritten, const std::vector<std::string>& kept)
{
    const char* pair = request.keyPair == KeyPairSource::Pelora     ? "the Pelora key pair (public, for demonstrations)"
                       : request.keyPair == KeyPairSource::Generate ? "a newly generated key pair"
                                                                    : "the key pair of the existing key files";
    const Outcome<std::string> fingerprint =
        PublicKeyFingerprint(request.keys.publicKey, CurveFilePath(request.toolDirectory));
    std::string text = "Digital Signature Signed!\n\n" + Absolute(request.imagePath) +
                       " was signed in place with " + pair + ".\nPublic key SHA-256: " +
                       (fingerprint ? fingerprint.value() : std::string("(cannot be read)")) + "\n";
    if (pairWritten)
        text += "Written: " + Absolute(request.keys.privateKey) + " and " + Absolute(request.keys.publicKey) + ".\n";
    else
        text += "Used: " + Absolute(request.keys.privateKey) + " and " + Absolute(request.keys.publicKey) + ".\n";
    for (const std::string& line : kept)
        text += "The earlier pair was replaced: " + line + ".\n";
    text += "Signature record: " + Absolute(SignatureRecordFileName) + ".\n";
    return text;
}

}  // namespace

Status OnGenerate(DialogState& state, UserInterface& ui)
{
    SignRequest request;
    request.imagePath = ui.imagePath();
    if (request.imagePath.empty())
        return Refuse(ui, SaveNoInputMessage);
    request.toolDirectory = state.toolDirectory;
    request.keyPair = KeyPairChoice(ui);
    const auto ask = [&ui](const std::string& question) { return ui.askYesNo(question); };
    request.confirmReplaceKeys = ask;
    request.confirmPelora = ask;
    request.confirmResign = ask;
    bool pairWritten = false;
    std::vector<std::string> kept;
    request.progress = [&pairWritten, &kept](const std::string& line) {
        if (line.starts_with("public key = "))
            pairWritten = true;
        else if (line.starts_with("kept "))
            kept.push_back(line);
    };
    const Outcome<SigningKeyUsed> signedImage = SignImage(request);
    if (!signedImage)
        return Report(ui, Status::Fail(signedImage.message()), "");
    return Report(ui, Status(Done{}), GenerateSummary(request, pairWritten, kept));
}

}  // namespace vantrel
