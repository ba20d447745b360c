#include "buttons/ButtonReport.h"
#include "buttons/Buttons.h"
#include "buttons/SaveChecks.h"
#include "encryption/AesKeyText.h"
#include "encryption/ProtectImage.h"
#include "encryption/SaveMessages.h"
#include "core/OutputCheck.h"
#include "signing/KeyFiles.h"

namespace vantrel {

namespace {

// A row with its "AES" box ticked is encrypted, whatever its "Hash" box
// shows; one with only "Hash" ticked is hashed.
std::vector<Treatment> RowTreatments(const SectionList& rows, std::size_t count)
{
    std::vector<Treatment> treatments(count, Treatment::None);
    for (std::size_t row = 0; row < count; ++row) {
        const int index = static_cast<int>(row);
        if (rows.GetItemCheckedState(index, SectionList::AesColumn) != 0)
            treatments[row] = Treatment::Encrypt;
        else if (rows.GetItemCheckedState(index, SectionList::HashColumn) != 0)
            treatments[row] = Treatment::Hash;
    }
    return treatments;
}

AesKeyLength KeyLengthChoice(int index)
{
    return index == KeyLenIndex::Bits256 ? AesKeyLength::Bits256
           : index == KeyLenIndex::Bits192 ? AesKeyLength::Bits192
                                           : AesKeyLength::Bits128;
}

AesMode ModeChoice(int index)
{
    switch (index) {
    case ModeIndex::ECB: return AesMode::Ecb;
    case ModeIndex::OFB: return AesMode::Ofb;
    case ModeIndex::CTR: return AesMode::Ctr;
    default: return AesMode::Cbc;
    }
}

// Every question before the chooser, in turn; false as soon as one is
// answered No.
bool UserAgrees(UserInterface& ui, const ProtectRequest& request, std::string_view keyText)
{
    for (const std::string& question : SaveQuestions(request, keyText))
        if (!ui.askYesNo(question))
            return false;
    const auto unsignedImage = UnsignedImageQuestion(request.inventory->imagePath, request.toolDirectory);
    return !unsignedImage || ui.askYesNo(*unsignedImage);
}

}  // namespace

Status OnSave(DialogState& state, UserInterface& ui)
{
    const std::string input = ui.imagePath();
    if (input.empty())
        return Refuse(ui, SaveNoInputMessage);
    // The section list and the captured bytes belong to the image of the
    // last Load; writing them into another image would corrupt it.
    if (!state.inventory || input != state.inventory->imagePath)
        return Refuse(ui, SaveNotLoadedMessage(input));

    ProtectRequest request;
    request.inventory = state.inventory;
    request.keyLength = KeyLengthChoice(ui.comboSelection(Combo::KeyLen));
    request.mode = ModeChoice(ui.comboSelection(Combo::Mode));
    request.treatments = RowTreatments(ui.sectionList(), state.inventory->sectionTable.size());
    request.toolDirectory = state.toolDirectory;
    std::string typed = ui.keyText();
    const SecretText keyText(typed);
    WipeString(typed);
    // Whatever can be refused or questioned without an output file is, before
    // the user is asked to choose one.
    if (Status choices = CheckSaveChoices(request, keyText.view()); !choices)
        return Refuse(ui, choices.message());
    if (!UserAgrees(ui, request, keyText.view()))
        return Withdrawn();
    request.key = AesKeyFromText(keyText.view(), AesKeyBytes(request.keyLength));

    FileChooserRequest chooser;
    chooser.save = true;
    chooser.title = "Save the Protected Image As";
    const std::optional<std::string> output = ui.chooseFile(chooser);
    if (!output)
        return Withdrawn();
    request.outputPath = *output;
    // The chooser's file, checked as the command line checks -o: never a key
    // file, and a file that is no image only when the user says so.
    const std::vector<OutputFile> outputs{{request.outputPath, "protected image", OutputKind::Image}};
    if (Status apart = CheckOutputsApart(outputs, {{PrivateKeyFileName, "private key file"},
                                                   {PublicKeyFileName, "public key file"},
                                                   {SignatureRecordFileName, "signature record"}});
        !apart)
        return Refuse(ui, apart.message());
    if (Status kind = CheckOutputKinds(outputs); !kind && !ui.askYesNo(kind.message() + "\n\nReplace it anyway?"))
        return Withdrawn();
    Status saved = Done{};
    ui.runLongWork("Saving " + request.outputPath,
                   [&request, &saved](const Progress& progress, const CancelCheck& cancelled) {
                       request.progress = progress;
                       request.cancelled = cancelled;
                       saved = ProtectImage(request);
                   });
    return Report(ui, saved, std::string(SaveSuccessMessage) + "The protected image is " + request.outputPath +
                                 ".\n");
}

void OnKeyLenChange(UserInterface& ui)
{
    ui.showKeyDigits(2 * AesKeyBytes(KeyLengthChoice(ui.comboSelection(Combo::KeyLen))));
}

}  // namespace vantrel
