#include "pkcs11/TokenSession.h"

#include <utility>

namespace vantrel {

Outcome<TokenSession> TokenSession::Open(const TokenSlot& slot, const std::string& tokenName, bool readWrite)
{
    TokenSession session;
    session.functions_ = slot.functions;
    session.tokenName_ = tokenName;
    const CK_RV rv = slot.functions->C_OpenSession(slot.slot, CKF_SERIAL_SESSION | (readWrite ? CKF_RW_SESSION : 0), nullptr, nullptr,
                                                   &session.handle_);
    if (rv != CKR_OK)
        return Outcome<TokenSession>::Fail("cannot open a session on the token " + tokenName + " (" +
                                           TokenReturnName(rv) + ")\n");
    return session;
}

TokenSession::TokenSession(TokenSession&& other) noexcept
    : functions_(std::exchange(other.functions_, nullptr)),
      handle_(std::exchange(other.handle_, CK_INVALID_HANDLE)),
      loggedIn_(std::exchange(other.loggedIn_, false)),
      tokenName_(std::move(other.tokenName_))
{
}

TokenSession::~TokenSession()
{
    if (functions_ == nullptr || handle_ == CK_INVALID_HANDLE)
        return;
    if (loggedIn_)
        functions_->C_Logout(handle_);
    functions_->C_CloseSession(handle_);
}

Status TokenSession::Login(const SecretBytes& pin)
{
    // The PIN buffer is only read; PKCS#11 declares it non-const.
    auto* bytes = const_cast<CK_UTF8CHAR*>(pin.data());
    const CK_RV rv = functions_->C_Login(handle_, CKU_USER, bytes, pin.size());
    if (rv == CKR_USER_ALREADY_LOGGED_IN)
        return Done{};
    if (rv == CKR_PIN_INCORRECT)
        return Status::Fail("the PIN for the token " + tokenName_ + " is wrong (" + TokenReturnName(rv) +
                            "). Nothing was changed.\n");
    if (rv != CKR_OK)
        return Status::Fail("cannot log in to the token " + tokenName_ + " (" + TokenReturnName(rv) +
                            "). Nothing was changed.\n");
    loggedIn_ = true;
    return Done{};
}

}  // namespace vantrel
