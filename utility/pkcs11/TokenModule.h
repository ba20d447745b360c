#pragma once

#include <string>

#include <p11-kit/pkcs11.h>

#include "core/Outcome.h"
#include "pkcs11/TokenUri.h"

namespace vantrel {

// The text of a PKCS#11 return value ("CKR_PIN_INCORRECT").
std::string TokenReturnName(CK_RV value);

// The slot of a loaded PKCS#11 module whose token a URI names.
struct TokenSlot {
    CK_FUNCTION_LIST* functions = nullptr;
    CK_SLOT_ID slot = 0;
};

// The PKCS#11 modules loaded and initialised for one operation, finalised
// and released when it ends: the one at modulePath when it is given, or
// every module p11-kit is configured with.
class TokenModule {
public:
    static Outcome<TokenModule> Load(const std::string& modulePath);
    TokenModule(TokenModule&& other) noexcept;
    TokenModule& operator=(TokenModule&&) = delete;
    ~TokenModule();

    // The first slot whose module and token the URI matches.
    Outcome<TokenSlot> FindToken(const TokenUri& uri) const;

private:
    TokenModule() = default;
    CK_FUNCTION_LIST* single_ = nullptr;    // loaded from a path
    CK_FUNCTION_LIST** configured_ = nullptr;  // p11-kit's modules
    std::string source_;                    // for messages
};

}  // namespace vantrel
