#include "pkcs11/TokenModule.h"

#include <vector>

#include <p11-kit/p11-kit.h>

namespace vantrel {

std::string TokenReturnName(CK_RV value)
{
    switch (value) {
    case CKR_PIN_INCORRECT: return "CKR_PIN_INCORRECT";
    case CKR_PIN_LOCKED: return "CKR_PIN_LOCKED";
    case CKR_PIN_LEN_RANGE: return "CKR_PIN_LEN_RANGE";
    case CKR_USER_PIN_NOT_INITIALIZED: return "CKR_USER_PIN_NOT_INITIALIZED";
    case CKR_TOKEN_NOT_PRESENT: return "CKR_TOKEN_NOT_PRESENT";
    case CKR_MECHANISM_INVALID: return "CKR_MECHANISM_INVALID";
    case CKR_ATTRIBUTE_VALUE_INVALID: return "CKR_ATTRIBUTE_VALUE_INVALID";
    case CKR_TEMPLATE_INCONSISTENT: return "CKR_TEMPLATE_INCONSISTENT";
    case CKR_CURVE_NOT_SUPPORTED: return "CKR_CURVE_NOT_SUPPORTED";
    case CKR_DOMAIN_PARAMS_INVALID: return "CKR_DOMAIN_PARAMS_INVALID";
    case CKR_KEY_TYPE_INCONSISTENT: return "CKR_KEY_TYPE_INCONSISTENT";
    case CKR_FUNCTION_FAILED: return "CKR_FUNCTION_FAILED";
    case CKR_GENERAL_ERROR: return "CKR_GENERAL_ERROR";
    default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "CKR 0x%lx", static_cast<unsigned long>(value));
    return text;
}

Outcome<TokenModule> TokenModule::Load(const std::string& modulePath)
{
    TokenModule module;
    if (!modulePath.empty()) {
        module.source_ = "the PKCS#11 module " + modulePath;
        module.single_ = p11_kit_module_load(modulePath.c_str(), 0);
        if (module.single_ == nullptr)
            return Outcome<TokenModule>::Fail("cannot load " + module.source_ + ": " + p11_kit_message() + "\n");
        if (const CK_RV rv = p11_kit_module_initialize(module.single_); rv != CKR_OK) {
            p11_kit_module_release(module.single_);
            module.single_ = nullptr;
            return Outcome<TokenModule>::Fail("cannot initialise " + module.source_ + " (" + TokenReturnName(rv) +
                                              ")\n");
        }
        return module;
    }
    module.source_ = "the PKCS#11 modules p11-kit is configured with";
    module.configured_ = p11_kit_modules_load_and_initialize(0);
    if (module.configured_ == nullptr)
        return Outcome<TokenModule>::Fail("cannot load " + module.source_ + ": " + p11_kit_message() + "\n");
    return module;
}

TokenModule::TokenModule(TokenModule&& other) noexcept
    : single_(std::exchange(other.single_, nullptr)),
      configured_(std::exchange(other.configured_, nullptr)),
      source_(std::move(other.source_))
{
}

TokenModule::~TokenModule()
{
    if (single_ != nullptr) {
        p11_kit_module_finalize(single_);
        p11_kit_module_release(single_);
    }
    if (configured_ != nullptr)
        p11_kit_modules_finalize_and_release(configured_);
}

Outcome<TokenSlot> TokenModule::FindToken(const TokenUri& uri) const
{
    std::vector<CK_FUNCTION_LIST*> modules;
    if (single_ != nullptr)
        modules.push_back(single_);
    for (CK_FUNCTION_LIST** module = configured_; module != nullptr && *module != nullptr; ++module)
        modules.push_back(*module);
    for (CK_FUNCTION_LIST* functions : modules) {
        CK_INFO info{};
        if (functions->C_GetInfo(&info) != CKR_OK || !uri.matchesModule(info))
            continue;
        CK_ULONG count = 0;
        if (functions->C_GetSlotList(CK_TRUE, nullptr, &count) != CKR_OK)
            continue;
        std::vector<CK_SLOT_ID> slots(count);
        if (count == 0 || functions->C_GetSlotList(CK_TRUE, slots.data(), &count) != CKR_OK)
            continue;
        slots.resize(count);
        for (const CK_SLOT_ID slot : slots) {
            CK_TOKEN_INFO token{};
            if (functions->C_GetTokenInfo(slot, &token) == CKR_OK && (token.flags & CKF_TOKEN_INITIALIZED) != 0 &&
                uri.matchesToken(token))
                return TokenSlot{functions, slot};
        }
    }
    return Outcome<TokenSlot>::Fail("no token in " + source_ + " matches " + uri.text() + "\n");
}

}  // namespace vantrel
