#pragma once

#include <string>

#include <p11-kit/pkcs11.h>

#include "core/Outcome.h"
#include "core/Secret.h"
#include "pkcs11/TokenModule.h"

namespace vantrel {

// A session on a token's slot, closed when it ends, with the
// user logged in (and out again before the session closes).
class TokenSession {
public:
    // Read-write only for a command that writes to the token.
    static Outcome<TokenSession> Open(const TokenSlot& slot, const std::string& tokenName, bool readWrite);
    TokenSession(TokenSession&& other) noexcept;
    TokenSession& operator=(TokenSession&&) = delete;
    ~TokenSession();

    // A wrong PIN gives the message that names the token and leaves nothing
    // logged in.
    Status Login(const SecretBytes& pin);

    CK_FUNCTION_LIST* functions() const { return functions_; }
    CK_SESSION_HANDLE handle() const { return handle_; }
    const std::string& tokenName() const { return tokenName_; }

private:
    TokenSession() = default;
    CK_FUNCTION_LIST* functions_ = nullptr;
    CK_SESSION_HANDLE handle_ = CK_INVALID_HANDLE;
    bool loggedIn_ = false;
    std::string tokenName_;
};

}  // namespace vantrel
