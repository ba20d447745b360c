#include "buttons/Buttons.h"
#include "encryption/AesKeyText.h"
#include "encryption/ProtectImage.h"
#include "encryption/SaveMessages.h"

namespace vantrel {

namespace {

Status Stop(UserInterface& ui, const std::string& message)
{
    ui.showMessage(message);
    return Status::Fail(message);
}

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

}  // namespace

Status OnSave(DialogState& state, UserInterface& ui)
{
    const std::string input = ui.imagePath();
    if (input.empty())
        return Stop(ui, SaveNoInputMessage);
    // The section list and the captured bytes belong to the image of the
    // last Load; writing them into another image would corrupt it.
    if (!state.inventory || input != state.inventory->imagePath)
        return Stop(ui, SaveNotLoadedMessage(input));

    ProtectRequest request;
    request.inventory = state.inventory;
    request.keyLength = KeyLengthChoice(ui.comboSelection(Combo::KeyLen));
    request.mode = ModeChoice(ui.comboSelection(Combo::Mode));
    std::string typed = ui.keyText();
    const SecretText keyText(typed);
    WipeString(typed);
    if (!IsHexKeyText(keyText.view()))
        return Stop(ui, KeyNotHexMessage);
    request.key = AesKeyFromText(keyText.view(), AesKeyBytes(request.keyLength));
    request.treatments = RowTreatments(ui.sectionList(), state.inventory->sectionTable.size());
    request.toolDirectory = state.toolDirectory;

    FileChooserRequest chooser;
    chooser.mustExist = false;
    const std::optional<std::string> output = ui.chooseFile(chooser);
    if (!output)
        return Status::Fail("");
    request.outputPath = *output;
    const Status saved = ProtectImage(request);
    ui.showMessage(saved ? std::string(SaveSuccessMessage) : saved.message());
    return saved;
}

}  // namespace vantrel
