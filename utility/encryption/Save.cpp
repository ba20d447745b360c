#include "encryption/Save.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include "core/OpenSslHandles.h"
#include "encryption/AesKeyText.h"
#include "encryption/AesSettings.h"
#include "encryption/ProtectImage.h"
#include "encryption/SaveMessages.h"
#include "encryption/SecretText.h"

namespace vantrel {

namespace {

// The key bytes serve one save only: wiped on every way out of it.
class KeyBytesWipe {
public:
    explicit KeyBytesWipe(DialogState& state) : state_(state) {}
    ~KeyBytesWipe() { OPENSSL_cleanse(state_.aesKeyBytes.data(), state_.aesKeyBytes.size()); }
    KeyBytesWipe(const KeyBytesWipe&) = delete;
    KeyBytesWipe& operator=(const KeyBytesWipe&) = delete;

private:
    DialogState& state_;
};

Status MakeKey(DialogState& state, const UserInterface& ui)
{
    const SecretText keyText(ui.keyText());
    if (!IsHexKeyText(keyText.text()))
        return Status::Fail(KeyNotHexMessage);
    state.aesKeyBytes.fill(0);
    AesKeyFromText(keyText.text(), state.aesKeyLength, state.aesKeyBytes.data());
    return Status(Done{});
}

// A fresh IV from the secure generator for every save.
Status MakeIv(DialogState& state)
{
    if (RAND_priv_bytes(state.aesIv.data(), static_cast<int>(state.aesIv.size())) != 1)
        return Status::Fail("Could not make the IV of the save: " + OpenSslErrorText() + "\n");
    return Status(Done{});
}

bool Stop(UserInterface& ui, const std::string& message)
{
    ui.showMessage(message);
    return false;
}

}  // namespace

bool OnSave(DialogState& state, UserInterface& ui)
{
    const KeyBytesWipe wipe(state);
    const std::string input = ui.imagePath();
    if (input.empty())
        return Stop(ui, SaveNoInputMessage);
    // The section list and the captured bytes belong to the image of the
    // last Load; writing them into another image would corrupt it.
    if (input != state.loadedImagePath)
        return Stop(ui, SaveNotLoadedMessage(input));

    const AesChoice choice{ui.comboSelection(Combo::KeyLen), ui.comboSelection(Combo::Mode)};
    state.aesKeyLength = AesKeyLengthBytes(choice.keyLenIndex);
    state.aesMode = AesModeCode(choice.modeIndex);
    if (Status key = MakeKey(state, ui); !key)
        return Stop(ui, key.message());
    if (Status iv = MakeIv(state); !iv)
        return Stop(ui, iv.message());

    FileChooserRequest request;
    request.mustExist = false;
    const std::optional<std::string> output = ui.chooseFile(request);
    if (!output)
        return false;

    const Status saved = ProtectImage(state, ui.sectionList(), choice, input, *output);
    ui.showMessage(saved ? std::string(SaveSuccessMessage) : saved.message());
    return saved.ok();
}

}  // namespace vantrel
