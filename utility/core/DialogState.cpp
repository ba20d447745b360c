#include "core/DialogState.h"

#include <openssl/crypto.h>

namespace vantrel {

DialogState::~DialogState()
{
    OPENSSL_cleanse(aesKeyBytes.data(), aesKeyBytes.size());
}

}  // namespace vantrel
