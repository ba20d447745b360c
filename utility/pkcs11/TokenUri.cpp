#include "pkcs11/TokenUri.h"

namespace vantrel {

Outcome<TokenUri> TokenUri::Parse(const std::string& text)
{
    TokenUri parsed;
    parsed.text_ = text;
    parsed.uri_.reset(p11_kit_uri_new());
    if (!parsed.uri_)
        return Outcome<TokenUri>::Fail("Problem - no memory for the PKCS#11 URI " + text + "\n");
    const int result = p11_kit_uri_parse(text.c_str(), P11_KIT_URI_FOR_ANY, parsed.uri_.get());
    if (result != P11_KIT_URI_OK)
        return Outcome<TokenUri>::Fail("the PKCS#11 URI " + text + " cannot be read: " +
                                       p11_kit_uri_message(result) + "\n");
    // A PIN in the URI is on the command line, seen by every user of the
    // machine: refused, never silently ignored.
    if (p11_kit_uri_get_pin_value(parsed.uri_.get()) != nullptr)
        return Outcome<TokenUri>::Fail("the PKCS#11 URI " + text + " holds a pin-value, which is not used: a PIN "
                                       "on the command line is seen by every user of the machine. Remove it and "
                                       "give the PIN with --pin-file or --pin-env\n");
    return parsed;
}

std::string TokenUri::modulePath() const
{
    const char* path = p11_kit_uri_get_module_path(uri_.get());
    return path != nullptr ? path : "";
}

bool TokenUri::matchesModule(const CK_INFO& info) const
{
    return p11_kit_uri_match_module_info(uri_.get(), &info) != 0;
}

bool TokenUri::matchesToken(const CK_TOKEN_INFO& info) const
{
    return p11_kit_uri_match_token_info(uri_.get(), &info) != 0;
}

bool TokenUri::hasId() const
{
    return p11_kit_uri_get_attribute(uri_.get(), CKA_ID) != nullptr;
}

std::vector<CK_ATTRIBUTE> TokenUri::objectAttributes() const
{
    std::vector<CK_ATTRIBUTE> attributes;
    for (const CK_ATTRIBUTE_TYPE type : {CKA_LABEL, CKA_ID})
        if (CK_ATTRIBUTE* attribute = p11_kit_uri_get_attribute(uri_.get(), type); attribute != nullptr)
            attributes.push_back(*attribute);
    return attributes;
}

}  // namespace vantrel
